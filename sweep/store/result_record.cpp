#include "store/result_record.h"

#include <zlib.h>

#include <cstring>

namespace sweep {

namespace {
uint32_t crc_of(const unsigned char* data, size_t size) {
    return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
}
}  // namespace

void append_record(std::vector<unsigned char>& bytes, int64_t index, const RunOutput& output) {
    const uint64_t finals = output.final_levels.size();
    const uint64_t means = output.mean_levels.size();
    const uint64_t shots = output.snapshots.size();
    const size_t head = shots ? kRecordHeadSnapshots : kRecordHead;
    const size_t at = bytes.size();
    const size_t size = head + finals * 4 + means * 8 + shots * 4;
    bytes.resize(at + size + kRecordTail);
    unsigned char* const record = bytes.data() + at;
    std::memcpy(record, shots ? &kRecordMarkSnapshots : &kRecordMark, 4);
    std::memcpy(record + 4, &index, 8);
    std::memcpy(record + 12, &finals, 8);
    std::memcpy(record + 20, &means, 8);
    if (shots) std::memcpy(record + 28, &shots, 8);
    unsigned char* values = record + head;
    if (finals) std::memcpy(values, output.final_levels.data(), finals * 4);
    if (means) std::memcpy(values + finals * 4, output.mean_levels.data(), means * 8);
    if (shots) std::memcpy(values + finals * 4 + means * 8, output.snapshots.data(), shots * 4);
    const uint32_t crc = crc_of(record, size);
    std::memcpy(record + size, &crc, 4);
}

size_t claimed_record_size(const unsigned char* head, uint64_t available) {
    if (available < kRecordHead + kRecordTail) return 0;
    uint32_t mark = 0;
    uint64_t finals = 0;
    uint64_t means = 0;
    uint64_t shots = 0;
    std::memcpy(&mark, head, 4);
    if (mark != kRecordMark && mark != kRecordMarkSnapshots) return 0;
    const size_t head_size = mark == kRecordMarkSnapshots ? kRecordHeadSnapshots : kRecordHead;
    if (available < head_size + kRecordTail) return 0;
    std::memcpy(&finals, head + 12, 8);
    std::memcpy(&means, head + 20, 8);
    if (mark == kRecordMarkSnapshots) std::memcpy(&shots, head + 28, 8);
    const uint64_t room = available - head_size - kRecordTail;
    // A record with the snapshot mark holds some: the same run has one form only.
    if ((mark == kRecordMarkSnapshots && shots == 0) || finals > room / 4 || means > room / 8 || shots > room / 4 ||
        finals * 4 + means * 8 > room || shots * 4 > room - finals * 4 - means * 8) {
        return 0;
    }
    return static_cast<size_t>(head_size + finals * 4 + means * 8 + shots * 4 + kRecordTail);
}

bool record_is_whole(const unsigned char* record, size_t size, int64_t runs, int64_t& index) {
    std::memcpy(&index, record + 4, 8);
    uint32_t crc = 0;
    std::memcpy(&crc, record + size - kRecordTail, 4);
    return index >= 0 && index < runs && crc == crc_of(record, size - kRecordTail);
}

void read_record(const unsigned char* record, RunOutput& output) {
    uint32_t mark = 0;
    uint64_t finals = 0;
    uint64_t means = 0;
    uint64_t shots = 0;
    std::memcpy(&mark, record, 4);
    std::memcpy(&finals, record + 12, 8);
    std::memcpy(&means, record + 20, 8);
    if (mark == kRecordMarkSnapshots) std::memcpy(&shots, record + 28, 8);
    output.final_levels.resize(static_cast<size_t>(finals));
    output.mean_levels.resize(static_cast<size_t>(means));
    output.snapshots.resize(static_cast<size_t>(shots));
    const unsigned char* values = record + (mark == kRecordMarkSnapshots ? kRecordHeadSnapshots : kRecordHead);
    if (finals) std::memcpy(output.final_levels.data(), values, finals * 4);
    if (means) std::memcpy(output.mean_levels.data(), values + finals * 4, means * 8);
    if (shots) std::memcpy(output.snapshots.data(), values + finals * 4 + means * 8, shots * 4);
}

}  // namespace sweep
