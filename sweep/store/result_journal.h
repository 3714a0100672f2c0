// The journal of a sweep in progress: every finished run's results are
// appended (and flushed) the moment they arrive, each record checked by a
// CRC-32. A sweep that stops for any reason leaves the journal holding
// every run it finished, at worst followed by one torn record, which
// resuming drops. A damaged stretch inside the journal loses only the
// records it covers: resuming keeps every whole record around it. Only the
// final MAT-file assembly reads it back.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "store/result_record.h"

namespace sweep {

class ResultJournal {
public:
    // Opens the journal at path for a sweep of run_count runs identified by
    // fingerprint. resume: keep the records of an existing journal (which
    // must belong to the same sweep: its fingerprint this one or one of
    // also_accepted, which earlier releases wrote) and drop a torn tail;
    // otherwise start an empty one (also in place of a stub). Throws
    // SweepError naming path.
    ResultJournal(const std::string& path, uint64_t fingerprint, int64_t run_count, bool resume,
                  const std::vector<uint64_t>& also_accepted = {});
    ~ResultJournal();
    ResultJournal(const ResultJournal&) = delete;
    ResultJournal& operator=(const ResultJournal&) = delete;

    bool done(int64_t index) const { return offsets_[static_cast<size_t>(index)] >= 0; }
    int64_t done_count() const { return done_count_; }
    int64_t dropped_bytes() const { return dropped_bytes_; }  // torn tail removed when resuming
    int64_t damaged_bytes() const { return damaged_bytes_; }  // skipped between whole records when resuming
    uint64_t fingerprint() const { return fingerprint_; }    // the sweep's, as opened

    // Appends a run's results and flushes them to the operating system. A
    // run already recorded is not recorded again.
    void append(int64_t index, const RunOutput& output);

    // Reads back a recorded run.
    void read(int64_t index, RunOutput& output);

    // Closes and deletes the journal file.
    void remove();

private:
    // The constructor's work: opens the journal at path, or refuses it.
    void open(const std::string& path, uint64_t fingerprint, int64_t run_count, bool resume,
              const std::vector<uint64_t>& also_accepted);
    void scan(int64_t file_size);
    // The size of the whole, checked record at offset (and its run index), or 0.
    int64_t record_at(int64_t at, int64_t file_size, int64_t& index);
    // Where the next record mark at or after from lies, or file_size.
    int64_t next_mark(int64_t from, int64_t file_size);
    // A record's head at offset: as many of its bytes as claimed_record_size
    // may read, within file_size.
    const unsigned char* head_at(int64_t offset, int64_t file_size);
    // length bytes of the file from offset on, read through window_.
    const unsigned char* bytes_at(int64_t offset, size_t length);

    std::string path_;
    uint64_t fingerprint_;
    std::FILE* file_ = nullptr;
    std::vector<int64_t> offsets_;  // record offset per run, -1 while not done
    int64_t done_count_ = 0;
    int64_t end_ = 0;               // where the next record goes
    int64_t dropped_bytes_ = 0;
    int64_t damaged_bytes_ = 0;
    std::vector<unsigned char> record_;  // the record being appended
    std::vector<unsigned char> window_;  // a stretch of the file read back, from window_start_ on
    int64_t window_start_ = 0;
};

// Whether the file at path is a journal cut short before its header was
// whole (empty, say, after a full disk at the start): it holds no run, and
// a new sweep may replace it.
bool journal_is_stub(const std::string& path);

// FNV-1a over bytes, continuing from hash: identifies a sweep's inputs.
uint64_t fingerprint_bytes(uint64_t hash, const void* data, size_t size);
constexpr uint64_t kFingerprintStart = 14695981039346656037ull;

}  // namespace sweep
