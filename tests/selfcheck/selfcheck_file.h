// The expected results that latticesim_selfcheck.m reads: one record per run,
// in a plain text format that a host script can parse with sscanf.
//
//   case <label>
//   function ringsim | gridsim
//   size <rows> <columns>
//   arguments <n>      then n doubles after traits, as 16 hex digits each
//   traits <n>         then n initial levels (column-major), 32 a line
//   final <n>          then n final levels, 32 a line
//   means <n>          then the bit patterns of n means, 8 a line
//
// Lines starting with % are comments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "case_table.h"

struct SelfcheckRun {
    std::string label;
    std::string function;          // "ringsim" or "gridsim"
    size_t rows = 0, cols = 0;
    std::vector<double> arguments;  // every argument after traits
    std::vector<double> traits;
    std::vector<int32_t> final_levels;
    std::vector<uint64_t> mean_bits;
};

void write_selfcheck_file(const std::string& path, const std::vector<SelfcheckRun>& runs);

// Throws std::runtime_error naming the line when the file is not in the format.
std::vector<SelfcheckRun> read_selfcheck_file(const std::string& path);

// Makes each run of the file at path through run and prints the self-check's
// verdict; returns 0 on a pass, 1 when any run differs, 2 when the file
// cannot be read.
int check_selfcheck_file(const std::string& path, CaseRunner run);
