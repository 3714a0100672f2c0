// The journal keeps every finished run through any stop: reopened, it
// holds exactly the whole records, drops a torn one, and refuses to serve a
// different sweep.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/result_journal.h"
#include "plan/sweep_plan.h"

using namespace sweep;

namespace {

RunOutput output_of(int64_t index) {
    RunOutput out;
    for (int64_t i = 0; i <= index % 5; ++i) out.final_levels.push_back(static_cast<int32_t>(index * 10 + i));
    for (int64_t s = 0; s < index % 3; ++s) out.mean_levels.push_back(0.1 * static_cast<double>(index + s));
    // Odd runs keep snapshots: both forms of record in one journal.
    for (int64_t s = 0; s < index % 2 * (index % 4 + 1); ++s) out.snapshots.push_back(static_cast<int32_t>(-s - index));
    return out;
}

int64_t file_size(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return static_cast<int64_t>(in.tellg());
}

TEST(ResultJournal, ReopenedJournalHoldsExactlyTheWholeRecords) {
    const std::string path = testing::TempDir() + "/journal_test.journal";
    const int64_t runs = 12;
    const std::vector<int64_t> order = {7, 0, 3, 11, 5};
    std::vector<int64_t> ends;  // file size after each record
    {
        ResultJournal journal(path, 42, runs, false);
        for (int64_t k : order) {
            journal.append(k, output_of(k));
            ends.push_back(file_size(path));
        }
        journal.append(7, output_of(99));  // a run already recorded is kept as it was
        EXPECT_EQ(file_size(path), ends.back());
    }
    // Cut the file at every length from the last two records' span: the
    // whole records survive, the torn one is dropped.
    const int64_t full = ends.back();
    std::vector<char> bytes(static_cast<size_t>(full));
    {
        std::ifstream in(path, std::ios::binary);
        in.read(bytes.data(), full);
    }
    for (int64_t cut = ends[ends.size() - 3]; cut <= full; ++cut) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), cut);
        }
        size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= cut) ++whole;
        ResultJournal journal(path, 42, runs, true);
        ASSERT_EQ(journal.done_count(), static_cast<int64_t>(whole)) << "cut at " << cut;
        EXPECT_EQ(journal.dropped_bytes(), cut - ends[whole - 1]) << "cut at " << cut;
        for (int64_t k = 0; k < runs; ++k) {
            const bool recorded = std::find(order.begin(), order.begin() + static_cast<long>(whole), k) !=
                                  order.begin() + static_cast<long>(whole);
            ASSERT_EQ(journal.done(k), recorded) << "run " << k << ", cut at " << cut;
            if (!recorded) continue;
            RunOutput back;
            journal.read(k, back);
            EXPECT_EQ(back.final_levels, output_of(k).final_levels);
            EXPECT_EQ(back.mean_levels, output_of(k).mean_levels);
            EXPECT_EQ(back.snapshots, output_of(k).snapshots);
        }
        // Appending after the dropped tail gives a journal that reads back whole.
        journal.append(1, output_of(1));
        RunOutput back;
        journal.read(1, back);
        EXPECT_EQ(back.final_levels, output_of(1).final_levels);
    }
    std::remove(path.c_str());
}

// Records read back in any order, whether many fit in one read of the file
// or one is longer than it.
TEST(ResultJournal, ReadsBackRecordsOfEverySizeInAnyOrder) {
    const std::string path = testing::TempDir() + "/journal_sizes.journal";
    const size_t sizes[] = {3, 400000, 17, 90000, 1, 300000, 250000, 5};  // mean values per record
    const int64_t runs = static_cast<int64_t>(std::size(sizes));
    std::vector<RunOutput> outputs(static_cast<size_t>(runs));
    for (int64_t k = 0; k < runs; ++k) {
        RunOutput& out = outputs[static_cast<size_t>(k)];
        out.final_levels.assign(sizes[k] / 2 + 1, static_cast<int32_t>(k));
        for (size_t s = 0; s < sizes[k]; ++s) out.mean_levels.push_back(static_cast<double>(k) + 1e-6 * s);
        // Records of every form: with snapshots, observations, both or neither.
        if (k % 2 == 1) out.snapshots.assign(sizes[k] % 7 + 1, static_cast<int32_t>(-k));
        if (k % 4 >= 2) out.observations.assign(sizes[k] % 5 + 1, 0.25 * static_cast<double>(k));
    }
    ResultJournal journal(path, 7, runs, false);
    for (int64_t k : {4, 1, 6, 0, 7, 3, 2, 5}) journal.append(k, outputs[static_cast<size_t>(k)]);
    const std::vector<int64_t> orders[] = {{0, 1, 2, 3, 4, 5, 6, 7}, {7, 5, 6, 0, 2, 4, 1, 3}};
    for (const auto& order : orders) {
        for (int64_t k : order) {
            RunOutput back;
            journal.read(k, back);
            EXPECT_EQ(back.final_levels, outputs[static_cast<size_t>(k)].final_levels) << "run " << k;
            EXPECT_EQ(back.mean_levels, outputs[static_cast<size_t>(k)].mean_levels) << "run " << k;
            EXPECT_EQ(back.snapshots, outputs[static_cast<size_t>(k)].snapshots) << "run " << k;
            EXPECT_EQ(back.observations, outputs[static_cast<size_t>(k)].observations) << "run " << k;
        }
    }
    journal.remove();
}

// A damaged byte anywhere in a record loses that record only: the whole
// records before and after it are kept, and the journal goes on growing.
TEST(ResultJournal, ADamagedRecordLosesOnlyItself) {
    const std::string path = testing::TempDir() + "/journal_damage.journal";
    const std::vector<int64_t> order = {2, 3, 0, 1};
    const struct {
        size_t record;  // which record, in order written
        int64_t at;     // byte within it: its mark, run index, level count, snapshot count or a value, its checksum
    } damages[] = {{1, 0}, {1, 3}, {1, 5}, {1, 13}, {1, 30}, {0, 21}, {3, 30}, {3, -1}};
    for (const auto& d : damages) {
        std::vector<int64_t> starts;
        {
            ResultJournal journal(path, 1, 4, false);
            for (int64_t k : order) {
                starts.push_back(file_size(path));
                journal.append(k, output_of(k));
            }
            starts.push_back(file_size(path));
        }
        const int64_t at = d.at >= 0 ? starts[d.record] + d.at : starts[d.record + 1] + d.at;
        {
            std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
            f.seekg(at);
            const char was = static_cast<char>(f.get());
            f.seekp(at);
            f.put(static_cast<char>(was ^ 0x5a));
        }
        const int64_t lost = order[d.record];
        ResultJournal journal(path, 1, 4, true);
        const std::string where = "record " + std::to_string(d.record) + " byte " + std::to_string(d.at);
        EXPECT_EQ(journal.done_count(), 3) << where;
        const bool last = d.record + 1 == order.size();
        EXPECT_EQ(journal.dropped_bytes() > 0, last) << where;
        EXPECT_EQ(journal.damaged_bytes() > 0, !last) << where;
        journal.append(lost, output_of(lost));
        for (int64_t k : order) {
            ASSERT_TRUE(journal.done(k)) << where << ", run " << k;
            RunOutput back;
            journal.read(k, back);
            EXPECT_EQ(back.final_levels, output_of(k).final_levels) << where << ", run " << k;
            EXPECT_EQ(back.mean_levels, output_of(k).mean_levels) << where << ", run " << k;
            EXPECT_EQ(back.snapshots, output_of(k).snapshots) << where << ", run " << k;
        }
        journal.remove();
        EXPECT_EQ(access(path.c_str(), F_OK), -1);
    }
}

TEST(ResultJournal, RefusesAJournalOfAnotherSweep) {
    const std::string path = testing::TempDir() + "/journal_other.journal";
    { ResultJournal journal(path, 7, 4, false); }
    const struct {
        uint64_t fingerprint;
        int64_t runs;
    } others[] = {{8, 4}, {7, 5}};
    for (const auto& o : others) {
        try {
            ResultJournal journal(path, o.fingerprint, o.runs, true);
            ADD_FAILURE() << "accepted";
        } catch (const SweepError& e) {
            EXPECT_NE(std::string(e.what()).find("belongs to a different sweep"), std::string::npos) << e.what();
        }
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "not a journal at all, just text";
    EXPECT_THROW(ResultJournal(path, 7, 4, true), SweepError);
    std::remove(path.c_str());
}

}  // namespace
