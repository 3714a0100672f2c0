#include "store/result_record.h"

#include <zlib.h>

#include <cstring>
#include <utility>

namespace sweep {

namespace {
uint32_t crc_of(const unsigned char* data, size_t size) {
    return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
}
}  // namespace

namespace {
// A record's layout: its mark, the size of its head, and its counts.
struct RecordCounts {
    uint32_t mark = kRecordMark;
    uint64_t finals = 0, means = 0, shots = 0, observed = 0;
    size_t head() const {
        return mark == kRecordMarkObserved ? kRecordHeadObserved
               : mark == kRecordMarkSnapshots ? kRecordHeadSnapshots
                                              : kRecordHead;
    }
    // The values' bytes, when the counts cannot overflow.
    uint64_t value_bytes() const { return finals * 4 + means * 8 + shots * 4 + observed * 8; }
};

RecordCounts counts_of(const RunOutput& output) {
    RecordCounts c;
    c.finals = output.final_levels.size();
    c.means = output.mean_levels.size();
    c.shots = output.snapshots.size();
    c.observed = output.observations.size();
    c.mark = c.observed ? kRecordMarkObserved : c.shots ? kRecordMarkSnapshots : kRecordMark;
    return c;
}

// The mark and counts at head, which holds at least the mark's head.
RecordCounts read_counts(const unsigned char* head) {
    RecordCounts c;
    std::memcpy(&c.mark, head, 4);
    std::memcpy(&c.finals, head + 12, 8);
    std::memcpy(&c.means, head + 20, 8);
    if (c.mark != kRecordMark) std::memcpy(&c.shots, head + 28, 8);
    if (c.mark == kRecordMarkObserved) std::memcpy(&c.observed, head + 36, 8);
    return c;
}
}  // namespace

void append_record(std::vector<unsigned char>& bytes, int64_t index, const RunOutput& output) {
    const RecordCounts c = counts_of(output);
    const size_t head = c.head();
    const size_t at = bytes.size();
    const size_t size = head + static_cast<size_t>(c.value_bytes());
    bytes.resize(at + size + kRecordTail);
    unsigned char* const record = bytes.data() + at;
    std::memcpy(record, &c.mark, 4);
    std::memcpy(record + 4, &index, 8);
    std::memcpy(record + 12, &c.finals, 8);
    std::memcpy(record + 20, &c.means, 8);
    if (c.mark != kRecordMark) std::memcpy(record + 28, &c.shots, 8);
    if (c.mark == kRecordMarkObserved) std::memcpy(record + 36, &c.observed, 8);
    unsigned char* values = record + head;
    if (c.finals) std::memcpy(values, output.final_levels.data(), c.finals * 4);
    values += c.finals * 4;
    if (c.means) std::memcpy(values, output.mean_levels.data(), c.means * 8);
    values += c.means * 8;
    if (c.shots) std::memcpy(values, output.snapshots.data(), c.shots * 4);
    values += c.shots * 4;
    if (c.observed) std::memcpy(values, output.observations.data(), c.observed * 8);
    const uint32_t crc = crc_of(record, size);
    std::memcpy(record + size, &crc, 4);
}

size_t claimed_record_size(const unsigned char* head, uint64_t available) {
    if (available < kRecordHead + kRecordTail) return 0;
    uint32_t mark = 0;
    std::memcpy(&mark, head, 4);
    if (mark != kRecordMark && mark != kRecordMarkSnapshots && mark != kRecordMarkObserved) return 0;
    const size_t head_size = mark == kRecordMarkObserved    ? kRecordHeadObserved
                             : mark == kRecordMarkSnapshots ? kRecordHeadSnapshots
                                                            : kRecordHead;
    if (available < head_size + kRecordTail) return 0;
    const RecordCounts c = read_counts(head);
    uint64_t room = available - head_size - kRecordTail;
    // A record with the snapshot mark holds some, one with the observation
    // mark some observations: the same run has one form only.
    if ((mark == kRecordMarkSnapshots && c.shots == 0) || (mark == kRecordMarkObserved && c.observed == 0)) return 0;
    // Each count in turn must fit in what the ones before leave.
    const std::pair<uint64_t, uint64_t> parts[] = {{c.finals, 4}, {c.means, 8}, {c.shots, 4}, {c.observed, 8}};
    for (const auto& [count, width] : parts) {
        if (count > room / width) return 0;
        room -= count * width;
    }
    return static_cast<size_t>(head_size + c.value_bytes() + kRecordTail);
}

bool record_is_whole(const unsigned char* record, size_t size, int64_t runs, int64_t& index) {
    std::memcpy(&index, record + 4, 8);
    uint32_t crc = 0;
    std::memcpy(&crc, record + size - kRecordTail, 4);
    return index >= 0 && index < runs && crc == crc_of(record, size - kRecordTail);
}

void read_record(const unsigned char* record, RunOutput& output) {
    const RecordCounts c = read_counts(record);
    output.final_levels.resize(static_cast<size_t>(c.finals));
    output.mean_levels.resize(static_cast<size_t>(c.means));
    output.snapshots.resize(static_cast<size_t>(c.shots));
    output.observations.resize(static_cast<size_t>(c.observed));
    const unsigned char* values = record + c.head();
    if (c.finals) std::memcpy(output.final_levels.data(), values, c.finals * 4);
    values += c.finals * 4;
    if (c.means) std::memcpy(output.mean_levels.data(), values, c.means * 8);
    values += c.means * 8;
    if (c.shots) std::memcpy(output.snapshots.data(), values, c.shots * 4);
    values += c.shots * 4;
    if (c.observed) std::memcpy(output.observations.data(), values, c.observed * 8);
}

}  // namespace sweep
