// mat_compare A.mat B.mat: exit 0 when both files hold the same variables
// with the same classes, shapes and bit-identical data, 1 otherwise (with
// the first difference on standard error).
#include <matio.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {
bool same(const matvar_t* a, const matvar_t* b, const std::string& name) {
    auto differ = [&](const char* what) {
        std::fprintf(stderr, "%s: %s differs\n", name.c_str(), what);
        return false;
    };
    if (a->class_type != b->class_type || a->data_type != b->data_type) return differ("class");
    if (a->rank != b->rank) return differ("rank");
    for (int d = 0; d < a->rank; ++d) {
        if (a->dims[d] != b->dims[d]) return differ("shape");
    }
    if (a->class_type == MAT_C_STRUCT) {
        const unsigned n = Mat_VarGetNumberOfFields(const_cast<matvar_t*>(a));
        if (n != Mat_VarGetNumberOfFields(const_cast<matvar_t*>(b))) return differ("field count");
        char* const* fa = Mat_VarGetStructFieldnames(a);
        char* const* fb = Mat_VarGetStructFieldnames(b);
        for (unsigned f = 0; f < n; ++f) {
            if (std::strcmp(fa[f], fb[f]) != 0) return differ("field names");
            const matvar_t* x = Mat_VarGetStructFieldByIndex(const_cast<matvar_t*>(a), f, 0);
            const matvar_t* y = Mat_VarGetStructFieldByIndex(const_cast<matvar_t*>(b), f, 0);
            if (!same(x, y, name + "." + fa[f])) return false;
        }
        return true;
    }
    if (a->nbytes != b->nbytes) return differ("size");
    if (a->nbytes && std::memcmp(a->data, b->data, a->nbytes) != 0) return differ("data");
    return true;
}

bool read_all(const char* path, std::map<std::string, matvar_t*>& vars) {
    mat_t* mat = Mat_Open(path, MAT_ACC_RDONLY);
    if (!mat) {
        std::fprintf(stderr, "%s: cannot open\n", path);
        return false;
    }
    while (matvar_t* info = Mat_VarReadNextInfo(mat)) {
        const std::string name = info->name;
        Mat_VarFree(info);
        vars[name] = Mat_VarRead(mat, name.c_str());
    }
    Mat_Close(mat);
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mat_compare A.mat B.mat\n");
        return 2;
    }
    std::map<std::string, matvar_t*> a;
    std::map<std::string, matvar_t*> b;
    if (!read_all(argv[1], a) || !read_all(argv[2], b)) return 2;
    bool equal = a.size() == b.size() && !a.empty();
    if (!equal) std::fprintf(stderr, "the files hold different variables\n");
    for (const auto& [name, var] : a) {
        const auto other = b.find(name);
        if (!var || other == b.end() || !other->second) {
            std::fprintf(stderr, "%s: missing or unreadable\n", name.c_str());
            equal = false;
        } else if (equal && !same(var, other->second, name)) {
            equal = false;
        }
    }
    for (auto& [name, var] : a) Mat_VarFree(var);
    for (auto& [name, var] : b) Mat_VarFree(var);
    return equal ? 0 : 1;
}
