// The self-check's verdict on a build: each recorded run made again through a
// host (the stand-in, or plug-in DLLs) and compared bit for bit, printed as
// latticesim_selfcheck.m prints it.
#include <cinttypes>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "selfcheck_file.h"

namespace {

// The first difference in one output and how many elements differ, as the
// host script reports it (1-based positions).
template <typename T, typename Show>
bool report(const SelfcheckRun& r, size_t index, const char* output, const char* noun, const std::vector<T>& expected,
            const std::vector<T>& got, Show show) {
    if (expected.size() != got.size()) {
        std::printf("  run %zu (%s): %s has %zu elements, expected %zu\n", index, r.label.c_str(), output, got.size(),
                    expected.size());
        return false;
    }
    size_t first = 0, count = 0;
    for (size_t i = expected.size(); i-- > 0;)
        if (expected[i] != got[i]) first = i, ++count;
    if (count == 0) return true;
    std::printf("  run %zu (%s): %s(%zu) expected %s, got %s (%zu of %zu %s differ)\n", index, r.label.c_str(), output,
                first + 1, show(expected[first]).c_str(), show(got[first]).c_str(), count, expected.size(), noun);
    return false;
}

}  // namespace

int check_selfcheck_file(const std::string& path, CaseRunner run) {
    std::vector<SelfcheckRun> runs;
    try {
        runs = read_selfcheck_file(path);
    } catch (const std::exception& e) {
        std::printf("latticesim_selfcheck: cannot read the expected results: %s\n", e.what());
        return 2;
    }
    size_t differing = 0, levels = 0, means = 0;
    for (size_t k = 0; k < runs.size(); ++k) {
        const SelfcheckRun& r = runs[k];
        const CallOutcome out = run(case_call({r.label, r.function == "gridsim", r.rows, r.cols, r.traits, r.arguments}));
        bool same = true;
        if (!out.error_id.empty()) {
            std::printf("  run %zu (%s): %s raised %s: %s\n", k + 1, r.label.c_str(), r.function.c_str(),
                        out.error_id.c_str(), out.error_message.c_str());
            same = false;
        } else {
            std::vector<uint64_t> bits;
            for (double m : out.mean_levels) bits.push_back(Digest::bits_of(m));
            const auto level = [](int32_t v) { return std::to_string(v); };
            const auto hex = [](uint64_t b) {
                char s[17];
                std::snprintf(s, sizeof s, "%016" PRIx64, b);
                return std::string(s);
            };
            same &= report(r, k + 1, "final_traits", "levels", r.final_levels, out.final_traits, level);
            same &= report(r, k + 1, "mean_levels", "means", r.mean_bits, bits, hex);
        }
        differing += same ? 0 : 1;
        levels += r.final_levels.size();
        means += r.mean_bits.size();
    }
    if (differing == 0) {
        std::printf("latticesim_selfcheck: PASS: all %zu runs gave the expected %zu final levels and the bits of all "
                    "%zu means\n", runs.size(), levels, means);
        return 0;
    }
    std::printf("latticesim_selfcheck: FAIL: %zu of %zu runs differ from the expected results (listed above); this "
                "build does not compute what every other build computes\n", differing, runs.size());
    return 1;
}


