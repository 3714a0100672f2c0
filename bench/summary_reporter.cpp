#include "summary_reporter.h"

#include <fstream>
#include <iomanip>
#include <sstream>

#include "lane_run.h"

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        for (const char* counter : {kPerSiteStep, kPerDraw, kPerSite}) {
            const auto found = run.counters.find(counter);
            if (found == run.counters.end()) continue;
            const std::string& name = run.run_name.function_name;
            const auto best = best_seconds_.find(name);
            if (best == best_seconds_.end() || found->second.value < best->second) {
                best_seconds_[name] = found->second.value;
            }
        }
    }
}

double SummaryReporter::seconds(const std::string& name) const {
    const auto found = best_seconds_.find(name);
    return found == best_seconds_.end() ? 0.0 : found->second;
}

void SummaryReporter::print_summary(const std::vector<ModelCase>& cases, std::ostream& out) const {
    const double floor = seconds("floor/fast_uniform");
    out << "\nProcessor: " << processor_name() << "\n\n";
    out << std::fixed << std::setprecision(2);
    out << "Floor: " << floor * 1e9 << " ns per draw (fast generator, raw draws); uniform_next "
        << seconds("floor/uniform_next") * 1e9 << " ns per draw.\n\n";
    out << "| benchmark | fast ns/site-step | fast M site-steps/s | reference ns/site-step | "
           "reference M site-steps/s | speed-up | fast / floor |\n";
    out << "|---|---:|---:|---:|---:|---:|---:|\n";
    for (const ModelCase& c : cases) {
        if (!c.fast) continue;
        const double fast = seconds(c.group() + "/fast");
        const double reference = seconds(c.group() + "/reference");
        if (fast <= 0.0 || reference <= 0.0) continue;  // filtered out of this run
        out << "| " << c.group() << " | " << fast * 1e9 << " | " << 1e-6 / fast << " | " << reference * 1e9 << " | "
            << 1e-6 / reference << " | " << reference / fast << " | " << (floor > 0.0 ? fast / floor : 0.0)
            << " |\n";
    }
}

void SummaryReporter::print_lane_summary(const std::vector<ModelCase>& cases, std::ostream& out) const {
    const std::string chains = "floor/fast_uniform_chains:" + std::to_string(core::kLaneRuns);
    const double floor = seconds(chains);
    out << "\nLanes of " << core::kLaneRuns << " runs against one run at a time; the floor of " << core::kLaneRuns
        << " chains: " << floor * 1e9 << " ns per draw (1 chain: " << seconds("floor/fast_uniform_chains:1") * 1e9
        << ").\n\n";
    out << "| benchmark | one at a time ns/run-site-step | lane ns/run-site-step | speed-up | lane / floor |\n";
    out << "|---|---:|---:|---:|---:|\n";
    for (const ModelCase& c : cases) {
        if (!c.fast) continue;
        const double one = seconds(c.group() + "/fast");
        const double lane = seconds(c.group() + "/lane");
        if (one <= 0.0 || lane <= 0.0) continue;  // filtered out of this run
        out << "| " << c.group() << " | " << one * 1e9 << " | " << lane * 1e9 << " | " << one / lane << " | "
            << (floor > 0.0 ? lane / floor : 0.0) << " |\n";
    }
}

void SummaryReporter::print_setup_summary(const std::vector<SetupCase>& setups, std::ostream& out) const {
    const auto step_of = [&](const SetupCase& c, int32_t side) {
        const ModelCase steps{c.torus, side, c.payoff_mode, c.neighbourhood, kLargeRate, true, 1, 0};
        return seconds(steps.group() + "/fast");
    };
    const auto cell = [&](double value) {
        std::ostringstream text;
        text << std::fixed << std::setprecision(2);
        if (value > 0.0) text << value;
        else text << "-";
        return text.str();
    };
    out << "\nSetup (check, load, score) against a fast step at rate " << kLargeRate << ":\n\n";
    out << "| lattice | setup ns/site | reference setup ns/site | step ns/site | setup in steps |\n";
    out << "|---|---:|---:|---:|---:|\n";
    for (const SetupCase& c : setups) {
        if (!c.fast) continue;
        const double setup = seconds(c.group() + "/fast");
        if (setup <= 0.0) continue;  // filtered out of this run
        const double step = step_of(c, c.side);
        out << "| " << c.group() << " | " << cell(setup * 1e9) << " | " << cell(seconds(c.group() + "/reference") * 1e9)
            << " | " << cell(step * 1e9) << " | " << cell(step > 0.0 ? setup / step : 0.0) << " |\n";
    }
    out << "\nSteps beyond the caches, against the same lattice at 10^6 sites:\n\n";
    out << "| lattice | step ns/site | / 10^6 sites |\n|---|---:|---:|\n";
    for (const SetupCase& c : setups) {
        const bool million = c.sites() == 1000000;
        if (!c.fast || million) continue;
        const double step = step_of(c, c.side);
        const double base = step_of(c, c.torus ? 1000 : 1000000);
        if (step <= 0.0) continue;
        out << "| " << c.group().substr(6) << " | " << cell(step * 1e9) << " | " << cell(base > 0.0 ? step / base : 0.0)
            << " |\n";
    }
}

std::string processor_name() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, name = "unknown", family, model;
    const auto value = [&] { return line.substr(line.find_first_not_of(" \t", line.find(':') + 1)); };
    while (std::getline(cpuinfo, line) && (name == "unknown" || family.empty() || model.empty())) {
        if (line.rfind("model name", 0) == 0) name = value();
        if (line.rfind("cpu family", 0) == 0) family = value();
        if (line.rfind("model\t", 0) == 0) model = value();
    }
    if (!family.empty() && !model.empty()) name += " (family " + family + ", model " + model + ")";
    return name;
}
