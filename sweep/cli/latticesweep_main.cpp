// latticesweep: runs of the ring and torus models outside any host, one at
// a time (run) or by the thousand from a sweep description (sweep), on all
// cores and, under mpirun, across machines. See docs/sweeps.md.
#include <cstdio>
#include <new>

#include "cli/command_line.h"
#include "cli/run_options.h"
#include "run/run_pool.h"
#include "plan/sweep_description.h"
#include "cli/sweep_driver.h"
#ifdef LATTICESWEEP_MPI
#include "cli/mpi_sweep.h"
#endif

namespace sweep {
namespace {
int sweep_command(const CommandLine& line) {
#ifdef LATTICESWEEP_MPI
    if (launched_by_mpirun()) return mpi_sweep(line.description, line.options);
#endif
    run_sweep(read_sweep_description(line.description), line.options, compute_on_threads);
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
        return line.command == sweep::Command::sweep ? sweep::sweep_command(line) : sweep::run_command(line);
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
