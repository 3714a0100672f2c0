// latticesweep: runs of the ring and torus models outside any host, one at
// a time (run) or by the thousand from a sweep description (sweep), on all
// cores and, under mpirun, across machines; export writes a sweep's runs as
// a CSV table. See docs/sweeps.md.
#include <cstdio>
#include <fstream>
#include <new>

#include "cli/command_line.h"
#include "cli/run_options.h"
#include "run/run_pool.h"
#include "plan/sweep_description.h"
#include "results/run_csv.h"
#include "cli/sweep_driver.h"
#ifdef LATTICESWEEP_MPI
#include "cli/mpi_sweep.h"
#endif

namespace sweep {
namespace {
int sweep_command(const CommandLine& line) {
#ifdef LATTICESWEEP_MPI
    if (launched_by_mpirun()) {
        if (line.options.shards > 0) {
            throw SweepError("option --shard: a shard runs as one process, not under mpirun; run each shard on its "
                             "own (a job array), or the whole sweep under mpirun without --shard.");
        }
        return mpi_sweep(line.description, line.options);
    }
#endif
    run_sweep(read_sweep_description(line.description), line.options, compute_on_threads);
    return 0;
}

int merge_command(const CommandLine& line) {
    merge_shards(read_sweep_description(line.description), line.options);
    return 0;
}

int export_command(const CommandLine& line) {
    if (!line.options.overwrite && std::ifstream(line.options.output).good()) {
        throw SweepError(line.options.output + ": already exists; latticesweep replaces a file only when told: add " +
                         "--overwrite to replace it, or name another table with -o.");
    }
    const int64_t runs = write_run_csv(line.description, line.options.output);
    std::fprintf(stderr, "latticesweep: %s: %s written.\n", line.options.output.c_str(), runs_text(runs).c_str());
    return 0;
}

int run_command(const CommandLine& line) {
    if (!line.options.output.empty()) {
        run_sweep(line.plan, line.options, compute_on_threads);
        return 0;
    }
    RunResult result;
    execute_plan_run(line.plan, 0, result);
    if (!result.error.empty()) throw SweepError(result.error);
    print_run(line.plan, result.output.final_levels, result.output.mean_levels);
    return 0;
}
}  // namespace
}  // namespace sweep

int main(int argc, char** argv) {
    try {
        sweep::CommandLine line;
        int exit_status = 0;
        if (!sweep::read_command_line(argc, argv, line, exit_status)) return exit_status;
        switch (line.command) {
            case sweep::Command::sweep: return sweep::sweep_command(line);
            case sweep::Command::run: return sweep::run_command(line);
            case sweep::Command::export_table: return sweep::export_command(line);
            case sweep::Command::merge: return sweep::merge_command(line);
        }
        return 2;
    } catch (const sweep::SweepError& e) {
        std::fprintf(stderr, "latticesweep: %s\n", e.what());
        return 2;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "latticesweep: out of memory: the runs in flight need more than this machine has; "
                             "try fewer --threads or a smaller lattice.\n");
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "latticesweep: stopped by an unexpected error: %s\n", e.what());
        return 1;
    }
}
