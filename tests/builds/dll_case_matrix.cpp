// The Windows test host: loads the plug-ins ringsim.mexw64 and gridsim.mexw64
// (.mexw32 on 32-bit Windows) with LoadLibrary, finds mexFunction with
// GetProcAddress and calls every case of the case matrix through them, in
// the stand-in host's libmx.dll and libmex.dll beside this program, as a
// host does. It prints exactly what case_matrix prints (case_report.cpp).
//
//   dll_case_matrix [PLUGIN_FOLDER] [--dump N]
//   dll_case_matrix PLUGIN_FOLDER --selfcheck FILE
//
// PLUGIN_FOLDER, relative to this program's folder unless it names a drive
// (Z:\... for a Unix path under Wine), is ..\mex by default. --selfcheck
// makes the self-check's recorded runs of FILE instead, with its verdict.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "mex.h"
#include "standin_dll.h"
#include "case_table.h"
#include "selfcheck_file.h"

namespace {

standin_mex_function g_ringsim = nullptr;
standin_mex_function g_gridsim = nullptr;

std::string program_folder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

standin_mex_function load_plugin(const std::string& folder, const char* name) {
    const std::string path = folder + "\\" + name + (sizeof(void*) == 8 ? ".mexw64" : ".mexw32");
    HMODULE plugin = LoadLibraryA(path.c_str());
    if (plugin == nullptr) {
        std::fprintf(stderr, "dll_case_matrix: cannot load %s (error %lu)\n", path.c_str(), GetLastError());
        return nullptr;
    }
    FARPROC entry = GetProcAddress(plugin, "mexFunction");
    if (entry == nullptr) std::fprintf(stderr, "dll_case_matrix: %s exports no mexFunction\n", path.c_str());
    // Through void (*)(void), the type GCC lets any function pointer become.
    return reinterpret_cast<standin_mex_function>(reinterpret_cast<void (*)(void)>(entry));
}

CallOutcome run_in_plugin(const GatewayCall& call) {
    CallOutcome out;
    standin_session_begin();
    std::vector<const mxArray*> prhs;
    for (const CaseInput& in : call.inputs) {
        mxArray* a = standin_make_array(static_cast<mxClassID>(input_class_id(in)), in.dims.size(), in.dims.data(),
                                        in.kind == InputKind::kComplex, in.kind == InputKind::kSparse);
        const std::vector<unsigned char> bytes = input_bytes(in);
        if (!bytes.empty()) std::memcpy(mxGetData(a), bytes.data(), bytes.size());
        prhs.push_back(a);
    }
    mxArray* plhs[4] = {};
    if (standin_call_mex(call.grid ? g_gridsim : g_ringsim, call.nlhs, plhs, static_cast<int>(prhs.size()),
                         prhs.data()) != 0) {
        out.error_id = standin_error_identifier();
        out.error_message = standin_error_message();
    } else {
        if (plhs[0] != nullptr) {
            out.final_traits.resize(mxGetNumberOfElements(plhs[0]));
            if (!out.final_traits.empty())
                std::memcpy(out.final_traits.data(), mxGetData(plhs[0]), out.final_traits.size() * sizeof(int32_t));
        }
        if (plhs[1] != nullptr) {
            out.mean_levels.resize(mxGetNumberOfElements(plhs[1]));
            if (!out.mean_levels.empty())
                std::memcpy(out.mean_levels.data(), mxGetPr(plhs[1]), out.mean_levels.size() * sizeof(double));
        }
    }
    out.live_blocks = standin_live_blocks();
    standin_session_end();
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = program_folder() + "..\\mex";
    if (argc >= 2 && std::strcmp(argv[1], "--dump") != 0) {
        folder = std::strchr(argv[1], ':') != nullptr ? std::string(argv[1]) : program_folder() + argv[1];
        --argc;
        ++argv;
    }
    g_ringsim = load_plugin(folder, "ringsim");
    g_gridsim = load_plugin(folder, "gridsim");
    if (g_ringsim == nullptr || g_gridsim == nullptr) return 2;
    if (argc == 3 && std::strcmp(argv[1], "--selfcheck") == 0) return check_selfcheck_file(argv[2], run_in_plugin);
    return report_cases(run_in_plugin, argc, argv);
}
