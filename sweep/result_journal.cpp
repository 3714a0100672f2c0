#include "result_journal.h"

#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>

#include "sweep_plan.h"

namespace {
constexpr char kMagic[16] = "latticesweep j1";  // 15 characters and the terminating zero
constexpr uint32_t kRecordMark = 0x3152534cu;   // "LSR1"
constexpr int64_t kHeaderBytes = 16 + 8 + 8;
constexpr int64_t kRecordHead = 4 + 8 + 8 + 8;  // mark, index, final count, mean count

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw SweepError(path + ": " + what + (errno ? std::string(": ") + std::strerror(errno) : std::string()) + ".");
}

uint32_t crc_of(const unsigned char* data, size_t size) {
    return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size)));
}
}  // namespace

uint64_t fingerprint_bytes(uint64_t hash, const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

ResultJournal::ResultJournal(const std::string& path, uint64_t fingerprint, int64_t run_count, bool resume)
    : path_(path), offsets_(static_cast<size_t>(run_count), -1) {
    errno = 0;
    if (resume) file_ = std::fopen(path.c_str(), "r+b");
    if (file_) {
        unsigned char header[kHeaderBytes];
        uint64_t fp = 0;
        uint64_t count = 0;
        if (std::fread(header, 1, sizeof header, file_) != sizeof header ||
            std::memcmp(header, kMagic, sizeof kMagic) != 0) {
            errno = 0;
            fail(path, "not a sweep journal");
        }
        std::memcpy(&fp, header + 16, 8);
        std::memcpy(&count, header + 24, 8);
        if (fp != fingerprint || count != static_cast<uint64_t>(run_count)) {
            errno = 0;
            fail(path, "this journal belongs to a different sweep (the description, its initial levels or the "
                       "program version changed); delete it to start afresh");
        }
        fseeko(file_, 0, SEEK_END);
        scan(static_cast<int64_t>(ftello(file_)));
        return;
    }
    errno = 0;
    file_ = std::fopen(path.c_str(), "w+b");
    if (!file_) fail(path, "cannot create the sweep's journal");
    unsigned char header[kHeaderBytes] = {};
    std::memcpy(header, kMagic, sizeof kMagic);
    const uint64_t count = static_cast<uint64_t>(run_count);
    std::memcpy(header + 16, &fingerprint, 8);
    std::memcpy(header + 24, &count, 8);
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header || std::fflush(file_) != 0) {
        fail(path, "cannot write the sweep's journal");
    }
    end_ = kHeaderBytes;
}

ResultJournal::~ResultJournal() {
    if (file_) std::fclose(file_);
}

void ResultJournal::scan(int64_t file_size) {
    int64_t at = kHeaderBytes;
    std::vector<unsigned char> record;
    while (at + kRecordHead + 4 <= file_size) {
        unsigned char head[kRecordHead];
        fseeko(file_, static_cast<off_t>(at), SEEK_SET);
        if (std::fread(head, 1, sizeof head, file_) != sizeof head) break;
        uint32_t mark = 0;
        int64_t index = 0;
        uint64_t finals = 0;
        uint64_t means = 0;
        std::memcpy(&mark, head, 4);
        std::memcpy(&index, head + 4, 8);
        std::memcpy(&finals, head + 12, 8);
        std::memcpy(&means, head + 20, 8);
        const uint64_t room = static_cast<uint64_t>(file_size - at - kRecordHead - 4);
        if (mark != kRecordMark || finals > room / 4 || means > room / 8 || finals * 4 + means * 8 > room) break;
        const size_t size = static_cast<size_t>(kRecordHead + finals * 4 + means * 8);
        record.resize(size + 4);
        fseeko(file_, static_cast<off_t>(at), SEEK_SET);
        if (std::fread(record.data(), 1, record.size(), file_) != record.size()) break;
        uint32_t crc = 0;
        std::memcpy(&crc, record.data() + size, 4);
        if (crc != crc_of(record.data(), size) || index < 0 || index >= static_cast<int64_t>(offsets_.size())) {
            break;
        }
        if (offsets_[static_cast<size_t>(index)] < 0) {
            offsets_[static_cast<size_t>(index)] = at;
            ++done_count_;
        }
        at += static_cast<int64_t>(record.size());
    }
    // Whatever follows the last whole record is a torn write: drop it.
    dropped_bytes_ = file_size - at;
    if (dropped_bytes_ > 0 && ftruncate(fileno(file_), static_cast<off_t>(at)) != 0) {
        fail(path_, "cannot drop the torn end of the journal");
    }
    end_ = at;
}

void ResultJournal::append(int64_t index, const RunOutput& output) {
    if (offsets_[static_cast<size_t>(index)] >= 0) return;
    const uint64_t finals = output.final_levels.size();
    const uint64_t means = output.mean_levels.size();
    std::vector<unsigned char> record(static_cast<size_t>(kRecordHead + finals * 4 + means * 8 + 4));
    std::memcpy(record.data(), &kRecordMark, 4);
    std::memcpy(record.data() + 4, &index, 8);
    std::memcpy(record.data() + 12, &finals, 8);
    std::memcpy(record.data() + 20, &means, 8);
    unsigned char* p = record.data() + kRecordHead;
    if (finals) std::memcpy(p, output.final_levels.data(), finals * 4);
    if (means) std::memcpy(p + finals * 4, output.mean_levels.data(), means * 8);
    const uint32_t crc = crc_of(record.data(), record.size() - 4);
    std::memcpy(record.data() + record.size() - 4, &crc, 4);
    errno = 0;
    fseeko(file_, static_cast<off_t>(end_), SEEK_SET);
    if (std::fwrite(record.data(), 1, record.size(), file_) != record.size() || std::fflush(file_) != 0) {
        fail(path_, "cannot write the sweep's journal");
    }
    offsets_[static_cast<size_t>(index)] = end_;
    end_ += static_cast<int64_t>(record.size());
    ++done_count_;
}

void ResultJournal::read(int64_t index, RunOutput& output) {
    const int64_t at = offsets_[static_cast<size_t>(index)];
    unsigned char head[kRecordHead];
    uint64_t finals = 0;
    uint64_t means = 0;
    errno = 0;
    fseeko(file_, static_cast<off_t>(at), SEEK_SET);
    if (std::fread(head, 1, sizeof head, file_) != sizeof head) fail(path_, "cannot read the sweep's journal");
    std::memcpy(&finals, head + 12, 8);
    std::memcpy(&means, head + 20, 8);
    output.final_levels.resize(static_cast<size_t>(finals));
    output.mean_levels.resize(static_cast<size_t>(means));
    if ((finals && std::fread(output.final_levels.data(), 4, finals, file_) != finals) ||
        (means && std::fread(output.mean_levels.data(), 8, means, file_) != means)) {
        fail(path_, "cannot read the sweep's journal");
    }
}

void ResultJournal::remove() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
}
