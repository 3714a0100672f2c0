// The console report of every run, plus a closing table that pairs each
// fast run with its reference run and with the generator's floor, from the
// best (least) time of each benchmark's repetitions.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "bench_cases.h"

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // Markdown table of the figures; the processor is named above it.
    void print_summary(const std::vector<ModelCase>& cases, std::ostream& out) const;
    // Each fast case in lanes against one run at a time, and against the
    // floor of as many chains as a lane has.
    void print_lane_summary(const std::vector<ModelCase>& cases, std::ostream& out) const;
    // Setup per site against a step on the same lattice, and the steps of
    // the large lattices against those of 10^6 sites.
    void print_setup_summary(const std::vector<SetupCase>& setups, std::ostream& out) const;

private:
    double seconds(const std::string& name) const;  // 0 when not run
    std::map<std::string, double> best_seconds_;  // registered name -> least seconds per site-step, draw or site
};

// The processor's model name, as the system reports it.
std::string processor_name();
