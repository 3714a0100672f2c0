// latticesweep: runs of the ring and torus models outside any host, one at
// a time (run) or by the thousand from a sweep description (sweep), on all
// cores and, under mpirun, across machines. See sweep/README.md.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "command_line.h"
#include "run_pool.h"
#include "sweep_description.h"
#include "sweep_driver.h"
#ifdef LATTICESWEEP_MPI
#include "mpi_sweep.h"
#endif

namespace {
const char* kUsage =
    "usage:\n"
    "  latticesweep sweep DESCRIPTION.toml [-o OUTPUT.mat] [--threads N] [--resume] [--quiet]\n"
    "  latticesweep run --model ring|torus --intercept X --slope X --levels N\n"
    "                   (--radius N | --payoff-mode N --neighbourhood N)\n"
    "                   --noise X --mutation-rate X --steps N --seed N\n"
    "                   (--traits \"0 1 2; 2 1 0\" | --random SIZE [--initial-seed N]\n"
    "                    | --traits-file FILE.mat [--variable NAME]) [-o OUTPUT.mat] [--quiet]\n"
    "  latticesweep --version\n"
    "Under mpirun, sweep shares its runs among the ranks; rank 0 writes the output.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "latticesweep: %s\n%s", message.c_str(), kUsage);
    return 2;
}

int parse_count(const std::string& text, const char* option) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > 4096) {
        throw SweepError(std::string("option ") + option + ": give a whole number from 1 to 4096.");
    }
    return static_cast<int>(value);
}

int sweep_command(const std::vector<std::string>& args) {
    std::string description;
    SweepOptions options;
    options.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool has_value = i + 1 < args.size();
        if (a == "--resume") options.resume = true;
        else if (a == "--quiet") options.quiet = true;
        else if ((a == "-o" || a == "--output") && has_value) options.output = args[++i];
        else if (a == "--threads" && has_value) options.threads = parse_count(args[++i], "--threads");
        else if (a == "--halt-after" && has_value) options.halt_after = std::atoll(args[++i].c_str());
        else if (a.rfind("-", 0) == 0) return usage_error("unknown option or missing value: " + a);
        else if (description.empty()) description = a;
        else return usage_error("more than one sweep description: " + a);
    }
    if (description.empty()) return usage_error("sweep needs a sweep description.");
    if (options.output.empty()) {
        const size_t dot = description.find_last_of('.');
        const size_t slash = description.find_last_of('/');
        const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
        options.output = (has_extension ? description.substr(0, dot) : description) + ".mat";
    }
#ifdef LATTICESWEEP_MPI
    if (launched_by_mpirun()) return mpi_sweep(description, options);
#endif
    const SweepPlan plan = read_sweep_description(description);
    run_sweep(plan, options, compute_on_threads);
    return 0;
}

int run_command(const std::vector<std::string>& args) {
    std::string output;
    bool quiet = false;
    const SweepPlan plan = run_plan_from_options(args, output, quiet);
    check_plan(plan);
    if (!output.empty()) {
        SweepOptions options;
        options.output = output;
        options.quiet = quiet;
        run_sweep(plan, options, compute_on_threads);
        return 0;
    }
    RunResult result;
    execute_plan_run(plan, 0, result);
    if (!result.error.empty()) throw SweepError(result.error);
    print_run(plan, result.output.final_levels, result.output.mean_levels);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        std::printf("%s\n", program_version().c_str());
        return 0;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        if (args[0] == "sweep") return sweep_command(rest);
        if (args[0] == "run") return run_command(rest);
        return usage_error("unknown command '" + args[0] + "'.");
    } catch (const SweepError& e) {
        std::fprintf(stderr, "latticesweep: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "latticesweep: %s\n", e.what());
        return 1;
    }
}
