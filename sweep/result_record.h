// A run's results as bytes: the one form in which they are kept in the
// journal and sent between MPI ranks. A record is its mark, the run index,
// the counts of final levels and means, the values, and a CRC-32 of all
// that, so a damaged or torn record is never taken for a whole one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct RunOutput {
    std::vector<int32_t> final_levels;
    std::vector<double> mean_levels;
};

constexpr uint32_t kRecordMark = 0x3152534cu;         // "LSR1"
constexpr size_t kRecordHead = 4 + 8 + 8 + 8;         // mark, index, final count, mean count
constexpr size_t kRecordTail = 4;                     // CRC-32

// Appends the record of run index to bytes.
void append_record(std::vector<unsigned char>& bytes, int64_t index, const RunOutput& output);

// The size of the record whose head (kRecordHead bytes) starts at head, as
// the head claims it, if the head has the mark and the record fits in
// available bytes; 0 otherwise.
size_t claimed_record_size(const unsigned char* head, uint64_t available);

// Whether the size bytes at record, as claimed by their head, are a whole
// record (its CRC holds) of a run in 0 .. runs - 1; sets index.
bool record_is_whole(const unsigned char* record, size_t size, int64_t runs, int64_t& index);

// The values of a whole record.
void read_record(const unsigned char* record, RunOutput& output);
