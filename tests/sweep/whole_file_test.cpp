// An output appears only whole: a write that fails or cannot be put in
// place leaves what stood at the path before, and never a partial file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "store/whole_file.h"

using namespace sweep;

namespace {

TEST(WholeFile, AppearsOnlyWhole) {
    const std::string path = testing::TempDir() + "/whole_file_test.out";
    const std::string inside = path + "/inside";  // when the path is a folder, so that the rename fails
    const struct {
        const char* name;
        bool stale_partial, throws, folder;  // a partial file left before; the write fails; the path is a folder
        const char* failure;                 // part of the message, null: none
        const char* after;                   // the text at the path (in the folder) afterwards
    } cases[] = {
        {"a write replaces the file", true, false, false, nullptr, "new"},
        {"an interrupted write", false, true, false, "interrupted", "old"},
        {"a failed rename", false, false, true, "whole_file_test.out: cannot put the finished file in place", "old"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(!c.folder || mkdir(path.c_str(), 0755) == 0);
        std::ofstream(c.folder ? inside : path) << "old";
        if (c.stale_partial) std::ofstream(partial_path(path)) << "stale";
        std::string failure;
        try {
            write_whole_file(path, [&](const std::string& partial) {
                std::ofstream(partial, std::ios::app) << "new";
                if (c.throws) throw std::runtime_error("interrupted");
            });
        } catch (const std::exception& e) {
            failure = e.what();
        }
        EXPECT_TRUE(c.failure ? failure.find(c.failure) != std::string::npos : failure.empty())
            << c.name << ": " << failure;
        EXPECT_EQ(access(partial_path(path).c_str(), F_OK), -1) << c.name << ": a partial file is left";
        std::stringstream text;
        text << std::ifstream(c.folder ? inside : path).rdbuf();
        EXPECT_EQ(text.str(), c.after) << c.name;
        std::remove(inside.c_str());
        std::remove(path.c_str());
    }
}

}  // namespace
