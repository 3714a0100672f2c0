// Fuzzes the reading of initial levels from a MAT-file. Every input is
// written to a file of the fuzzer's own and read as a ring's and as a
// torus's initial levels. Each read must either be refused with a SweepError
// that starts with the place given and leaves the levels untouched, or give
// levels filling their shape (within the host's element limit), the same on
// a second read, and the same values for both models.
//
// Every kind of file is fed to the reader: version 4, 5 (as 6 and 7 are) and
// 7.3 (HDF5), and variables that hold the levels inside a struct or a cell.
// HDF5 crashes on some damaged files; the reader reads version 7.3 in a
// child process and must refuse those files like any other damage.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ring_descriptor.h"
#include "torus_descriptor.h"
#include "plan/initial_file.h"
#include "model_arguments.h"

using namespace sweep;

namespace {

namespace fs = std::filesystem;

constexpr char kWhere[] = "fuzz.toml:9:1: key 'initial.file'";

[[noreturn]] void broken(const std::string& what) {
    std::fprintf(stderr, "initial file fuzzer: %s\n", what.c_str());
    std::abort();
}

enum class Outcome { read, refused, stopped };

// The levels as read, or refused: stopped when the HDF5 library ran past
// the reader's CPU time limit, an outcome that rests on time.
Outcome read_levels(const models::ModelDescriptor* model, const std::string& path, InitialLevels& levels) {
    levels = InitialLevels{};
    levels.where = "untouched";
    try {
        read_initial_levels(model, path, "traits", kWhere, levels);
    } catch (const SweepError& e) {
        const std::string message = e.what();
        if (message.compare(0, sizeof kWhere - 1, kWhere) != 0)
            broken("refusal does not start with its place: " + message);
        if (levels.where != "untouched" || !levels.values.empty() || levels.rows != 0 || levels.cols != 0) {
            broken("a refused read changed the levels: " + message);
        }
        return message.find("ran far longer") != std::string::npos ? Outcome::stopped : Outcome::refused;
    }
    if (levels.kind != InitialKind::given || levels.file != path)
        broken("levels read are not marked as given from the file");
    if (levels.values.size() != levels.rows * levels.cols) broken("levels read do not fill their shape");
    if (levels.values.size() > static_cast<size_t>(arguments::kMaxElements))
        broken("levels read exceed the element limit");
    return Outcome::read;
}

bool same_values(const InitialLevels& a, const InitialLevels& b) {
    if (a.values.size() != b.values.size()) return false;
    for (size_t k = 0; k < a.values.size(); ++k) {
        // Compared as bits: a NaN read is the same NaN when read again.
        if (std::memcmp(&a.values[k], &b.values[k], sizeof(double)) != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path path = fs::temp_directory_path() / ("latticesim_initial_fuzz_" + std::to_string(getpid()) + ".mat");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) broken("cannot write " + path.string());
    }
    InitialLevels ring;
    InitialLevels again;
    InitialLevels torus;
    // A read stopped for time is not compared with another: the file is
    // read no more (a loop costs its whole time limit each time).
    const Outcome ring_read = read_levels(&models::kRingModel, path.string(), ring);
    const Outcome read_again =
        ring_read == Outcome::stopped ? Outcome::stopped : read_levels(&models::kRingModel, path.string(), again);
    const Outcome torus_read =
        read_again == Outcome::stopped ? Outcome::stopped : read_levels(&models::kTorusModel, path.string(), torus);
    fs::remove(path);
    if (read_again == Outcome::stopped || torus_read == Outcome::stopped) return 0;
    if (ring_read != read_again) broken("a second read of the same file had another outcome");
    if (ring_read == Outcome::read &&
        (again.rows != ring.rows || again.cols != ring.cols || !same_values(ring, again))) {
        broken("a second read of the same file gave other levels");
    }
    if (torus_read == Outcome::read && ring_read != Outcome::read) broken("levels a torus takes were refused for a ring");
    if (torus_read == Outcome::read &&
        (torus.rows != ring.rows || torus.cols != ring.cols || !same_values(ring, torus))) {
        broken("a torus read other levels than a ring from the same file");
    }
    return 0;
}
