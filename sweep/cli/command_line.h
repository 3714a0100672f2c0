// latticesweep's command line: its commands, their options and their help,
// read and checked here so that main only dispatches.
#pragma once

#include <string>

#include "cli/sweep_driver.h"
#include "plan/sweep_plan.h"

namespace sweep {

enum class Command { sweep, run, export_table, merge };

// A command line that was read and checked, ready to run.
struct CommandLine {
    Command command = Command::sweep;
    std::string description;  // sweep, merge: path of the sweep description; export: the sweep's MAT-file
    SweepOptions options;     // sweep: every option; run: output (empty: print the results) and quiet;
                              // export: output (the CSV file) and overwrite
    SweepPlan plan;           // run: the one-run plan, checked as the host gateway checks a call
};

// Reads the program's arguments. Returns true, with line filled, when a
// command is to run. Otherwise it has printed the help, the version or an
// error that names the option at fault, says what it must be and points
// at --help, and returns false with exit_status set: 0 after help or
// version, 2 after an error.
bool read_command_line(int argc, const char* const* argv, CommandLine& line, int& exit_status);

}  // namespace sweep
