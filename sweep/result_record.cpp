#include "result_record.h"

#include <zlib.h>

#include <cstring>

namespace {
uint32_t crc_of(const unsigned char* data, size_t size) {
    return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
}
}  // namespace

void append_record(std::vector<unsigned char>& bytes, int64_t index, const RunOutput& output) {
    const uint64_t finals = output.final_levels.size();
    const uint64_t means = output.mean_levels.size();
    const size_t at = bytes.size();
    const size_t size = kRecordHead + finals * 4 + means * 8;
    bytes.resize(at + size + kRecordTail);
    unsigned char* const record = bytes.data() + at;
    std::memcpy(record, &kRecordMark, 4);
    std::memcpy(record + 4, &index, 8);
    std::memcpy(record + 12, &finals, 8);
    std::memcpy(record + 20, &means, 8);
    unsigned char* values = record + kRecordHead;
    if (finals) std::memcpy(values, output.final_levels.data(), finals * 4);
    if (means) std::memcpy(values + finals * 4, output.mean_levels.data(), means * 8);
    const uint32_t crc = crc_of(record, size);
    std::memcpy(record + size, &crc, 4);
}

size_t claimed_record_size(const unsigned char* head, uint64_t available) {
    if (available < kRecordHead + kRecordTail) return 0;
    uint32_t mark = 0;
    uint64_t finals = 0;
    uint64_t means = 0;
    std::memcpy(&mark, head, 4);
    std::memcpy(&finals, head + 12, 8);
    std::memcpy(&means, head + 20, 8);
    const uint64_t room = available - kRecordHead - kRecordTail;
    if (mark != kRecordMark || finals > room / 4 || means > room / 8 || finals * 4 + means * 8 > room) return 0;
    return static_cast<size_t>(kRecordHead + finals * 4 + means * 8 + kRecordTail);
}

bool record_is_whole(const unsigned char* record, size_t size, int64_t runs, int64_t& index) {
    std::memcpy(&index, record + 4, 8);
    uint32_t crc = 0;
    std::memcpy(&crc, record + size - kRecordTail, 4);
    return index >= 0 && index < runs && crc == crc_of(record, size - kRecordTail);
}

void read_record(const unsigned char* record, RunOutput& output) {
    uint64_t finals = 0;
    uint64_t means = 0;
    std::memcpy(&finals, record + 12, 8);
    std::memcpy(&means, record + 20, 8);
    output.final_levels.resize(static_cast<size_t>(finals));
    output.mean_levels.resize(static_cast<size_t>(means));
    const unsigned char* values = record + kRecordHead;
    if (finals) std::memcpy(output.final_levels.data(), values, finals * 4);
    if (means) std::memcpy(output.mean_levels.data(), values + finals * 4, means * 8);
}
