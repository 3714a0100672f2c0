// Fuzzes resuming from a sweep's journal. Every input is written as a
// journal file and opened for resuming, for the sweep its header names (a
// run count past kMaxJournalRuns stands for another sweep). The fuzzer finds
// the whole records itself, by the record format: mark, run index, counts
// (with a snapshot count under the second mark, and a snapshot and an
// observation count under the third), values and a CRC-32. Resuming must then
// - refuse a journal of another sweep, or no journal, with a SweepError and
//   leave the file as it was;
// - keep every whole record that no other whole record overlaps, and mark
//   done no run without a whole record whose values read back exactly;
// - after appending one more run and resuming again, keep the same runs
//   with the same values, and the new one;
// - leave no file open, refused or not.
// Nothing but SweepError may be thrown.
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "store/result_journal.h"
#include "plan/sweep_plan.h"

using namespace sweep;

namespace {

namespace fs = std::filesystem;

constexpr unsigned char kJournalMagic[16] = {'l', 'a', 't', 't', 'i', 'c', 'e', 's',
                                             'w', 'e', 'e', 'p', ' ', 'j', '1', 0};
constexpr size_t kHeader = 32;  // magic, fingerprint, run count
constexpr size_t kHead = 28;    // mark, index, final count, mean count
constexpr size_t kSnapshotsHead = 36;  // and the snapshot levels' count, which is not 0
constexpr size_t kObservedHead = 44;   // and the observed values' count, which is not 0
constexpr uint32_t kMark = 0x3152534cu;
constexpr uint32_t kSnapshotsMark = 0x3252534cu;
constexpr uint32_t kObservedMark = 0x3352534cu;
constexpr int64_t kMaxJournalRuns = 4096;
constexpr int64_t kOtherSweepRuns = 8;
constexpr uint64_t kOtherSweepFingerprint = 0x5eed;

[[noreturn]] void broken(const std::string& what) {
    std::fprintf(stderr, "journal fuzzer: %s\n", what.c_str());
    std::abort();
}

template <typename T>
T load(const std::vector<unsigned char>& bytes, size_t at) {
    T v;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

// A whole record found in the bytes.
struct Found {
    size_t at = 0;
    size_t size = 0;
    int64_t index = 0;
    RunOutput output;
};

std::vector<Found> whole_records(const std::vector<unsigned char>& bytes, int64_t runs) {
    std::vector<Found> found;
    for (size_t at = kHeader; at + kHead + 4 <= bytes.size(); ++at) {
        const auto mark = load<uint32_t>(bytes, at);
        if (mark != kMark && mark != kSnapshotsMark && mark != kObservedMark) continue;
        const size_t head = mark == kMark ? kHead : mark == kSnapshotsMark ? kSnapshotsHead : kObservedHead;
        if (at + head + 4 > bytes.size()) continue;
        const auto index = load<int64_t>(bytes, at + 4);
        const auto finals = load<uint64_t>(bytes, at + 12);
        const auto means = load<uint64_t>(bytes, at + 20);
        const auto shots = mark == kMark ? uint64_t{0} : load<uint64_t>(bytes, at + 28);
        const auto observed = mark == kObservedMark ? load<uint64_t>(bytes, at + 36) : uint64_t{0};
        const uint64_t room = bytes.size() - at - head - 4;
        // Each part must fit in the room the parts before it leave.
        const bool fits = finals <= room / 4 && means <= (room - finals * 4) / 8 &&
                          shots <= (room - finals * 4 - means * 8) / 4 &&
                          observed <= (room - finals * 4 - means * 8 - shots * 4) / 8;
        if (index < 0 || index >= runs || !fits || (mark == kSnapshotsMark && shots == 0) ||
            (mark == kObservedMark && observed == 0)) {
            continue;
        }
        const size_t body = head + finals * 4 + means * 8 + shots * 4 + observed * 8;
        const auto crc = static_cast<uint32_t>(crc32(0L, bytes.data() + at, static_cast<uInt>(body)));
        if (crc != load<uint32_t>(bytes, at + body)) continue;
        Found f;
        f.at = at;
        f.size = body + 4;
        f.index = index;
        f.output.final_levels.resize(finals);
        f.output.mean_levels.resize(means);
        f.output.snapshots.resize(shots);
        f.output.observations.resize(observed);
        const unsigned char* values = bytes.data() + at + head;
        if (finals) std::memcpy(f.output.final_levels.data(), values, finals * 4);
        if (means) std::memcpy(f.output.mean_levels.data(), values + finals * 4, means * 8);
        if (shots) std::memcpy(f.output.snapshots.data(), values + finals * 4 + means * 8, shots * 4);
        if (observed) {
            std::memcpy(f.output.observations.data(), values + finals * 4 + means * 8 + shots * 4, observed * 8);
        }
        found.push_back(std::move(f));
    }
    return found;
}

// Doubles compared as bits: a NaN read back is the same NaN.
bool same_doubles(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}

bool same(const RunOutput& a, const RunOutput& b) {
    return a.final_levels == b.final_levels && a.snapshots == b.snapshots && same_doubles(a.mean_levels, b.mean_levels) &&
           same_doubles(a.observations, b.observations);
}

std::vector<unsigned char> file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Files this process holds open: a journal refused or destroyed must close its own.
size_t open_descriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

void write_file(const fs::path& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) broken("cannot write " + path.string());
}

// Opening for resume must throw SweepError, and leave the file as it was.
void expect_refusal(const fs::path& path, uint64_t fingerprint, int64_t runs, const std::vector<unsigned char>& bytes) {
    bool refused = false;
    try {
        ResultJournal journal(path.string(), fingerprint, runs, true);
    } catch (const SweepError& e) {
        refused = true;
        if (std::string(e.what()).compare(0, path.string().size(), path.string()) != 0) {
            broken(std::string("refusal does not name the journal: ") + e.what());
        }
    }
    if (!refused) broken("resumed a journal of another sweep");
    if (file_bytes(path) != bytes) broken("a refused journal was changed");
}

// The runs done and what they read back.
std::vector<std::unique_ptr<RunOutput>> kept_runs(ResultJournal& journal, int64_t runs) {
    std::vector<std::unique_ptr<RunOutput>> kept(static_cast<size_t>(runs));
    int64_t count = 0;
    for (int64_t index = 0; index < runs; ++index) {
        if (!journal.done(index)) continue;
        kept[static_cast<size_t>(index)] = std::make_unique<RunOutput>();
        journal.read(index, *kept[static_cast<size_t>(index)]);
        ++count;
    }
    if (count != journal.done_count()) broken("done count differs from the runs done");
    return kept;
}

void check_kept(const std::vector<std::unique_ptr<RunOutput>>& kept, const std::vector<Found>& found) {
    for (size_t index = 0; index < kept.size(); ++index) {
        if (!kept[index]) continue;
        bool backed = false;
        for (const Found& f : found)
            backed = backed || (f.index == static_cast<int64_t>(index) && same(f.output, *kept[index]));
        if (!backed) broken("run " + std::to_string(index) + " is done without a whole record of its values");
    }
    for (size_t k = 0; k < found.size(); ++k) {
        bool overlapped = false;
        for (size_t j = 0; j < found.size(); ++j) {
            overlapped = overlapped || (j != k && found[j].at < found[k].at + found[k].size &&
                                        found[k].at < found[j].at + found[j].size);
        }
        if (!overlapped && !kept[static_cast<size_t>(found[k].index)]) {
            broken("the whole record at byte " + std::to_string(found[k].at) + " (run " +
                   std::to_string(found[k].index) + ") was dropped");
        }
    }
}

// Appends a run not yet done, resumes again, and checks that every run kept
// comes back with the same values, the new one too.
void check_append_and_resume(const fs::path& path, uint64_t fingerprint, int64_t runs,
                             std::vector<std::unique_ptr<RunOutput>> kept) {
    int64_t fresh = 0;
    while (fresh < runs && kept[static_cast<size_t>(fresh)]) ++fresh;
    if (fresh < runs) {
        ResultJournal journal(path.string(), fingerprint, runs, true);
        auto output = std::make_unique<RunOutput>();
        output->final_levels = {1, 0, 2};
        output->mean_levels = {1.0, 0.5};
        journal.append(fresh, *output);
        kept[static_cast<size_t>(fresh)] = std::move(output);
    }
    ResultJournal journal(path.string(), fingerprint, runs, true);
    if (journal.dropped_bytes() != 0) broken("a journal resumed once had a torn end again");
    const auto again = kept_runs(journal, runs);
    for (size_t index = 0; index < kept.size(); ++index) {
        if (!kept[index] != !again[index] || (kept[index] && !same(*kept[index], *again[index]))) {
            broken("run " + std::to_string(index) + " changed between two resumes");
        }
    }
}

void fuzz_journal(const fs::path& path, const uint8_t* data, size_t size) {
    const std::vector<unsigned char> bytes(data, data + size);
    const bool header = size >= kHeader && std::memcmp(data, kJournalMagic, sizeof kJournalMagic) == 0;
    const uint64_t fingerprint = size >= kHeader ? load<uint64_t>(bytes, 16) : kOtherSweepFingerprint;
    const uint64_t claimed_runs = size >= kHeader ? load<uint64_t>(bytes, 24) : 0;
    const bool this_sweep = header && claimed_runs >= 1 && claimed_runs <= kMaxJournalRuns;
    const int64_t runs = this_sweep ? static_cast<int64_t>(claimed_runs) : kOtherSweepRuns;
    const bool stub = size < kHeader && std::memcmp(data, kJournalMagic, std::min(size, sizeof kJournalMagic)) == 0;

    if (!stub) expect_refusal(path, fingerprint ^ 1, runs, bytes);
    if (!this_sweep && !stub) {
        expect_refusal(path, fingerprint, runs, bytes);
        return;
    }
    const std::vector<Found> found = stub ? std::vector<Found>() : whole_records(bytes, runs);
    std::vector<std::unique_ptr<RunOutput>> kept;
    {
        ResultJournal journal(path.string(), fingerprint, runs, true);
        kept = kept_runs(journal, runs);
        const auto now = static_cast<int64_t>(fs::file_size(path));
        if (!stub && now != static_cast<int64_t>(size) - journal.dropped_bytes()) {
            broken("the journal's size after resuming is not its size less the torn end");
        }
    }
    check_kept(kept, found);
    check_append_and_resume(path, fingerprint, runs, std::move(kept));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path path = fs::temp_directory_path() / ("latticesim_journal_fuzz_" + std::to_string(getpid()));
    const size_t descriptors = open_descriptors();
    write_file(path, data, size);
    fuzz_journal(path, data, size);
    fs::remove(path);
    if (open_descriptors() != descriptors) broken("a journal left its file open");
    return 0;
}
