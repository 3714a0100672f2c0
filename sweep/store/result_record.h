// A run's results as bytes: the one form in which they are kept in the
// journal and sent between MPI ranks. A record is its mark, the run index,
// the counts of final levels and means (and of snapshot levels, in a run
// with snapshots, and of observed values, in a run with observations), the
// values, and a CRC-32 of all that, so a damaged or torn record is never
// taken for a whole one. A run without snapshots or observations has the
// record it had before they existed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sweep {

struct RunOutput {
    std::vector<int32_t> final_levels;
    std::vector<double> mean_levels;
    std::vector<int32_t> snapshots;  // the levels at each snapshot step, one lattice after another
    std::vector<double> observations;  // the observed values at each observation step, one step after another
};

constexpr uint32_t kRecordMark = 0x3152534cu;           // "LSR1": no snapshots
constexpr uint32_t kRecordMarkSnapshots = 0x3252534cu;  // "LSR2": with snapshots
constexpr uint32_t kRecordMarkObserved = 0x3352534cu;   // "LSR3": with observations (and snapshots, if any)
constexpr size_t kRecordHead = 4 + 8 + 8 + 8;           // mark, index, final count, mean count
constexpr size_t kRecordHeadSnapshots = kRecordHead + 8;  // and the snapshot levels' count
constexpr size_t kRecordHeadObserved = kRecordHeadSnapshots + 8;  // and the observed values' count
constexpr size_t kRecordTail = 4;                     // CRC-32

// Appends the record of run index to bytes.
void append_record(std::vector<unsigned char>& bytes, int64_t index, const RunOutput& output);

// The size of the record whose head starts at head (the smaller of
// kRecordHeadObserved and available bytes readable there), as the head
// claims it, if the head has a mark and the record fits in available
// bytes; 0 otherwise.
size_t claimed_record_size(const unsigned char* head, uint64_t available);

// Whether the size bytes at record, as claimed by their head, are a whole
// record (its CRC holds) of a run in 0 .. runs - 1; sets index.
bool record_is_whole(const unsigned char* record, size_t size, int64_t runs, int64_t& index);

// The values of a whole record.
void read_record(const unsigned char* record, RunOutput& output);

}  // namespace sweep
