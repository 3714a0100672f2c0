#include "store/result_journal.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sweep_error.h"

namespace sweep {

namespace {
constexpr char kMagic[16] = "latticesweep j1";  // 15 characters and the terminating zero
constexpr int64_t kHeaderBytes = 16 + 8 + 8;  // mark, fingerprint, run count

[[noreturn]] void fail(const std::string& path, const std::string& what) {
    throw SweepError(path + ": " + what + (errno ? std::string(": ") + std::strerror(errno) : std::string()) + ".");
}
}  // namespace

bool journal_is_stub(const std::string& path) {
    unsigned char header[kHeaderBytes];
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    const size_t size = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    return size < sizeof header && std::memcmp(header, kMagic, std::min(size, sizeof kMagic)) == 0;
}

uint64_t fingerprint_bytes(uint64_t hash, const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

ResultJournal::ResultJournal(const std::string& path, uint64_t fingerprint, int64_t run_count, bool resume,
                             const std::vector<uint64_t>& also_accepted)
    : path_(path), fingerprint_(fingerprint), offsets_(static_cast<size_t>(run_count), -1) {
    // A journal refused here is never destroyed: its file is closed here.
    try {
        open(path, fingerprint, run_count, resume, also_accepted);
    } catch (...) {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        throw;
    }
}

void ResultJournal::open(const std::string& path, uint64_t fingerprint, int64_t run_count, bool resume,
                         const std::vector<uint64_t>& also_accepted) {
    errno = 0;
    if (resume && !journal_is_stub(path)) file_ = std::fopen(path.c_str(), "r+b");
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
        const bool known = fp == fingerprint ||
                           std::find(also_accepted.begin(), also_accepted.end(), fp) != also_accepted.end();
        if (!known || count != static_cast<uint64_t>(run_count)) {
            errno = 0;
            fail(path, "this journal belongs to a different sweep (the runs' arguments or seeds, the initial levels, "
                       "the snapshots, the summary or the program version differ; comments and layout do not "
                       "count). Resume it with the description it was started from, or write this sweep elsewhere "
                       "with -o; deleting the journal throws its finished runs away");
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

int64_t ResultJournal::record_at(int64_t at, int64_t file_size, int64_t& index) {
    if (at + static_cast<int64_t>(kRecordHead) > file_size) return 0;
    const size_t size = claimed_record_size(head_at(at, file_size), static_cast<uint64_t>(file_size - at));
    if (size == 0) return 0;
    const auto runs = static_cast<int64_t>(offsets_.size());
    return record_is_whole(bytes_at(at, size), size, runs, index) ? static_cast<int64_t>(size) : 0;
}

int64_t ResultJournal::next_mark(int64_t from, int64_t file_size) {
    while (from + 4 <= file_size) {
        const auto span = static_cast<size_t>(std::min<int64_t>(file_size - from, int64_t{1} << 20));
        const unsigned char* bytes = bytes_at(from, span);
        // Either mark: they differ in their last byte only, and record_at
        // checks what follows.
        const void* hit = memmem(bytes, span, &kRecordMark, 3);
        if (hit) return from + (static_cast<const unsigned char*>(hit) - bytes);
        from += static_cast<int64_t>(span) - 3;
    }
    return file_size;
}

void ResultJournal::scan(int64_t file_size) {
    end_ = file_size;  // bounds the reads while scanning
    int64_t at = kHeaderBytes;
    int64_t good_end = kHeaderBytes;  // just past the last whole record
    while (at < file_size) {
        int64_t index = 0;
        const int64_t size = record_at(at, file_size, index);
        if (size == 0) {
            // A damaged stretch: the next whole record starts at a record
            // mark further on, if there is one.
            at = next_mark(at + 1, file_size);
            continue;
        }
        damaged_bytes_ += at - good_end;
        if (offsets_[static_cast<size_t>(index)] < 0) {
            offsets_[static_cast<size_t>(index)] = at;
            ++done_count_;
        }
        at += size;
        good_end = at;
    }
    window_.clear();
    // Whatever follows the last whole record is a torn write: drop it.
    dropped_bytes_ = file_size - good_end;
    errno = 0;
    if (dropped_bytes_ > 0 && ftruncate(fileno(file_), static_cast<off_t>(good_end)) != 0) {
        fail(path_, "cannot drop the torn end of the journal");
    }
    end_ = good_end;
}

void ResultJournal::append(int64_t index, const RunOutput& output) {
    if (offsets_[static_cast<size_t>(index)] >= 0) return;
    record_.clear();
    append_record(record_, index, output);
    const unsigned char* const record = record_.data();
    // One system call per record, straight to the operating system: a
    // crash after it returns loses nothing of this run.
    size_t written = 0;
    while (written < record_.size()) {
        errno = 0;
        const ssize_t n = pwrite(fileno(file_), record + written, record_.size() - written,
                                 static_cast<off_t>(end_ + static_cast<int64_t>(written)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string reason = errno ? std::strerror(errno) : "nothing written";
            throw SweepError(path_ + ": cannot write the sweep's journal: " + reason +
                             ". The runs it holds are kept: make room, then run the same command with --resume.");
        }
        written += static_cast<size_t>(n);
    }
    offsets_[static_cast<size_t>(index)] = end_;
    end_ += static_cast<int64_t>(record_.size());
    window_.clear();  // it may hold what stood here before
    ++done_count_;
}

const unsigned char* ResultJournal::head_at(int64_t offset, int64_t file_size) {
    return bytes_at(offset, static_cast<size_t>(std::min<int64_t>(kRecordHeadObserved, file_size - offset)));
}

const unsigned char* ResultJournal::bytes_at(int64_t offset, size_t length) {
    const bool inside = offset >= window_start_ &&
                        offset + static_cast<int64_t>(length) <= window_start_ + static_cast<int64_t>(window_.size());
    if (!inside) {
        // Records come back mostly in the order they were written: read a
        // long stretch at once.
        constexpr size_t kWindowBytes = size_t{1} << 20;
        const int64_t available = end_ - offset;
        if (offset < 0 || available < static_cast<int64_t>(length)) {
            errno = 0;
            fail(path_, "cannot read the sweep's journal");
        }
        window_.resize(static_cast<size_t>(std::min<int64_t>(available, std::max(kWindowBytes, length))));
        window_start_ = offset;
        size_t got = 0;
        while (got < window_.size()) {
            errno = 0;
            const ssize_t n = pread(fileno(file_), window_.data() + got, window_.size() - got,
                                    static_cast<off_t>(offset + static_cast<int64_t>(got)));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                window_.clear();
                fail(path_, "cannot read the sweep's journal");
            }
            got += static_cast<size_t>(n);
        }
    }
    return window_.data() + (offset - window_start_);
}

void ResultJournal::read(int64_t index, RunOutput& output) {
    const int64_t at = offsets_[static_cast<size_t>(index)];
    const size_t size = claimed_record_size(head_at(at, end_), static_cast<uint64_t>(end_ - at));
    if (size == 0) {
        errno = 0;
        fail(path_, "cannot read the sweep's journal");
    }
    read_record(bytes_at(at, size), output);
}

void ResultJournal::remove() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
}

}  // namespace sweep
