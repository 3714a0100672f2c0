#include "selfcheck_file.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

uint64_t bits_of(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

double double_of(uint64_t b) {
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

template <typename T, typename Format>
void write_block(std::ofstream& out, const char* key, const std::vector<T>& values, size_t per_line, Format format) {
    out << key << ' ' << values.size() << '\n';
    for (size_t i = 0; i < values.size(); ++i) {
        out << format(values[i]) << (i + 1 == values.size() || (i + 1) % per_line == 0 ? '\n' : ' ');
    }
}

std::string hex(uint64_t b) {
    char s[17];
    std::snprintf(s, sizeof s, "%016" PRIx64, b);
    return s;
}

struct LineReader {
    std::ifstream in;
    std::string path;
    size_t number = 0;

    bool next(std::string& line) {
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line[0] != '%') return true;
        }
        return false;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(path + ":" + std::to_string(number) + ": " + what);
    }
    // The n tokens of a block, from as many lines as they take.
    std::vector<std::string> tokens(size_t n) {
        std::vector<std::string> out;
        std::string line, token;
        while (out.size() < n) {
            if (!next(line)) fail("the file ends inside a block");
            std::istringstream words(line);
            while (words >> token) out.push_back(token);
        }
        if (out.size() != n) fail("a block has more values than it announces");
        return out;
    }
};

uint64_t parse_hex(const LineReader& r, const std::string& token) {
    if (token.size() != 16 || token.find_first_not_of("0123456789abcdef") != std::string::npos)
        r.fail("not 16 hex digits: " + token);
    return std::stoull(token, nullptr, 16);
}

int32_t parse_level(const LineReader& r, const std::string& token) {
    if (token.empty() || token.size() > 10 || token.find_first_not_of("0123456789") != std::string::npos)
        r.fail("not a level: " + token);
    return static_cast<int32_t>(std::stol(token));
}

}  // namespace

void write_selfcheck_file(const std::string& path, const std::vector<SelfcheckRun>& runs) {
    std::ofstream out(path);
    out << "% Expected results of latticesim_selfcheck, written by tests/selfcheck/selfcheck_cases\n"
           "% (tests/selfcheck/selfcheck_file.h describes the format). Do not edit.\n";
    for (const SelfcheckRun& r : runs) {
        out << "case " << r.label << "\nfunction " << r.function << "\nsize " << r.rows << ' ' << r.cols << '\n';
        write_block(out, "arguments", r.arguments, 8, [](double v) { return hex(bits_of(v)); });
        write_block(out, "traits", r.traits, 32, [](double v) { return std::to_string(static_cast<int32_t>(v)); });
        write_block(out, "final", r.final_levels, 32, [](int32_t v) { return std::to_string(v); });
        write_block(out, "means", r.mean_bits, 8, [](uint64_t b) { return hex(b); });
    }
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::vector<SelfcheckRun> read_selfcheck_file(const std::string& path) {
    LineReader r{std::ifstream(path), path};
    if (!r.in) throw std::runtime_error("cannot open " + path);
    std::vector<SelfcheckRun> runs;
    std::string line;
    while (r.next(line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "case") {
            runs.emplace_back();
            runs.back().label = line.substr(5);
            continue;
        }
        if (runs.empty()) r.fail("a record before its case line");
        SelfcheckRun& run = runs.back();
        size_t n = 0;
        if (key == "function") {
            words >> run.function;
            if (run.function != "ringsim" && run.function != "gridsim") r.fail("unknown function " + run.function);
        } else if (key == "size") {
            if (!(words >> run.rows >> run.cols)) r.fail("a size needs two counts");
        } else if (!(words >> n)) {
            r.fail("unknown line: " + line);
        } else if (key == "arguments") {
            for (const auto& t : r.tokens(n)) run.arguments.push_back(double_of(parse_hex(r, t)));
        } else if (key == "traits") {
            for (const auto& t : r.tokens(n)) run.traits.push_back(parse_level(r, t));
        } else if (key == "final") {
            for (const auto& t : r.tokens(n)) run.final_levels.push_back(parse_level(r, t));
        } else if (key == "means") {
            for (const auto& t : r.tokens(n)) run.mean_bits.push_back(parse_hex(r, t));
        } else {
            r.fail("unknown block " + key);
        }
    }
    if (runs.empty()) throw std::runtime_error(path + " holds no case");
    return runs;
}
