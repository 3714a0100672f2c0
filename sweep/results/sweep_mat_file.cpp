#include "results/sweep_mat_file.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "matfile/mat_column_structs.h"
#include "observe/lattice_observables.h"
#include "plan/plan_checks.h"
#include "results/run_table.h"
#include "results/sweep_summary.h"

namespace sweep {

namespace {
void stacked_dims(const SweepPlan& plan, size_t runs, std::vector<size_t>& dims) {
    dims.assign({plan.initial.rows, plan.initial.cols});
    if (plan.model->lattice_dims == 1) dims = {plan.initial.rows * plan.initial.cols, runs};
    else dims.push_back(runs);
}

// The header's text: what wrote the file and for which sweep, but no date
// or machine, so that the same sweep gives the same bytes anywhere.
std::string header_text(const std::string& version, uint64_t fingerprint) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fingerprint));
    return "MATLAB 7.3 MAT-file, Created by: " + version + " for sweep " + hex + ", HDF5 schema 1.00 .";
}

// The texts, the snapshots' steps and the empty blocks (which write_results
// leaves out), before everything else.
void write_opening(const std::string& path, const SweepPlan& plan, const std::string& version, size_t runs) {
    MatAdditions file(path);
    file.add_text("version", version);
    file.add_text("model", plan.model->arguments.function);
    file.add_text("description", plan.description);
    if (plan.snapshots.asked()) {
        std::vector<double> steps;
        for (const int32_t k : snapshot_steps(plan)) steps.push_back(k);
        if (steps.empty()) file.add_empty("snapshot_steps", "double", {0, 1});
        else file.write_range(file.add_array("snapshot_steps", {steps.size(), 1}), 0, steps.data(), steps.size());
    }
    std::vector<size_t> dims;
    stacked_dims(plan, runs, dims);
    if (sites_per_run(plan) == 0) {
        file.add_empty("initial_levels", "int32", dims);
        file.add_empty("final_levels", "int32", dims);
        if (plan.snapshots.asked()) {
            dims.insert(dims.end() - 1, static_cast<size_t>(snapshot_count(plan)));
            file.add_empty("snapshots", "int32", dims);
        }
    }
    const auto rows = static_cast<size_t>(kept_means(plan, max_steps(plan)));
    if (rows == 0) file.add_empty("mean_levels", "double", {0, runs});
    if (plan.means_every > 1) {
        // The step of each row of mean_levels.
        std::vector<double> steps(rows);
        for (size_t j = 0; j < rows; ++j) steps[j] = static_cast<double>((j + 1) * size_t(plan.means_every));
        if (rows == 0) file.add_empty("mean_steps", "double", {0, 1});
        else file.write_range(file.add_array("mean_steps", {rows, 1}), 0, steps.data(), rows);
    }
    if (plan.observe.asked()) {
        std::vector<std::string> fields = {"steps"};
        for (const ObservedArray& a : observed_arrays(plan.observe.quantities, max_levels(plan)))
            fields.push_back(a.name);
        file.add_struct("observed", fields);
        std::vector<double> steps;
        for (const int32_t k : observation_steps(plan)) steps.push_back(k);
        file.write_range(file.add_array("observed/steps", {steps.size(), 1}), 0, steps.data(), steps.size());
    }
    file.close();
}

// The tables of runs, a batch of rows at a time.
void write_run_tables(const std::string& path, const SweepPlan& plan, size_t batch_bytes) {
    std::vector<ColumnStruct> tables(2);
    tables[0].name = "runs";
    tables[0].fields = run_table_fields(plan);
    for (size_t c = 0; c < tables[0].fields.size(); ++c) tables[0].columns.push_back(c);
    tables[1].name = "swept";
    tables[1].columns = swept_table_columns(plan);
    for (size_t c : tables[1].columns) tables[1].fields.push_back(tables[0].fields[c]);
    const size_t row_bytes = tables[0].fields.size() * sizeof(double);
    write_column_structs(path, tables, plan.run_count(), batch_bytes / row_bytes,
                         [&](int64_t first, size_t count, std::vector<std::vector<double>>& columns) {
                             run_table_rows(plan, first, count, columns);
                         });
}

// The results of runs first .. first + count - 1, side by side.
struct ResultBatch {
    std::vector<int32_t> initial;    // sites x count: the levels each run starts from
    std::vector<int32_t> finals;     // sites x count
    std::vector<double> means;       // rows x count, NaN below a run's own steps
    std::vector<double> wraps;       // count: 1 where the run's mutation draws alone pass the stream's period
    std::vector<int32_t> snapshots;  // sites x S x count
    std::vector<std::vector<double>> observed;  // per observed array: width x R x count
};

void gather_batch(const std::string& path, const SweepPlan& plan, ResultJournal& journal, int64_t first,
                  size_t count, size_t rows, ResultBatch& batch, SweepSummary& summary) {
    const size_t sites = sites_per_run(plan);
    const size_t shot_levels = sites * static_cast<size_t>(snapshot_count(plan));
    const size_t observations = observation_steps(plan).size();
    const size_t width = observation_values(plan);
    const std::vector<ObservedArray> arrays = observed_arrays(plan.observe.quantities, max_levels(plan));
    batch.initial.assign(sites * count, 0);
    batch.finals.assign(sites * count, 0);
    batch.means.assign(rows * count, std::numeric_limits<double>::quiet_NaN());
    batch.wraps.assign(count, 0.0);
    batch.snapshots.resize(shot_levels * count);
    batch.observed.resize(plan.observe.asked() ? arrays.size() : 0);
    for (size_t a = 0; a < batch.observed.size(); ++a) batch.observed[a].resize(arrays[a].width * observations * count);
    std::vector<double> initial;
    RunOutput output;
    models::ModelCall run;
    for (size_t j = 0; j < count; ++j) {
        const int64_t k = first + static_cast<int64_t>(j);
        prepare_run(plan, k, run, initial);
        if (arguments::stream_wrap_step(run.sites, run.steps) != 0) batch.wraps[j] = 1.0;
        // The stored traits are the levels the run starts from, as the
        // model loads them.
        for (size_t i = 0; i < sites; ++i) batch.initial[j * sites + i] = static_cast<int32_t>(initial[i]);
        journal.read(k, output);
        if (output.final_levels.size() != sites ||
            output.mean_levels.size() != static_cast<size_t>(kept_means(plan, run.steps)) ||
            output.snapshots.size() != shot_levels || output.observations.size() != observations * width) {
            throw SweepError(path + ": the journal's record of run " + std::to_string(k + 1) +
                             " does not match the sweep.");
        }
        std::copy(output.final_levels.begin(), output.final_levels.end(), batch.finals.begin() + j * sites);
        std::copy(output.mean_levels.begin(), output.mean_levels.end(), batch.means.begin() + j * rows);
        std::copy(output.snapshots.begin(), output.snapshots.end(), batch.snapshots.begin() + j * shot_levels);
        // Each observation's values, dealt out to their arrays.
        for (size_t a = 0; a < batch.observed.size(); ++a) {
            const size_t w = arrays[a].width;
            for (size_t o = 0; o < observations; ++o) {
                const double* from = output.observations.data() + o * width + arrays[a].offset;
                std::copy(from, from + w, batch.observed[a].begin() + (j * observations + o) * w);
            }
        }
        summary.add_run(output.mean_levels, output.observations);
    }
}

// The result blocks, snapshots included, and the summary, in one pass over
// the journal a batch of runs at a time, each block into one array stored
// whole: chunks for arrays appended to can leave nearly half their room
// unused. Empty blocks are write_opening's. Returns how many runs' streams
// wrap.
int64_t write_results(const std::string& path, const SweepPlan& plan, ResultJournal& journal, size_t batch_bytes) {
    const int64_t runs = plan.run_count();
    const size_t sites = sites_per_run(plan);
    const auto rows = static_cast<size_t>(kept_means(plan, max_steps(plan)));
    MatAdditions file(path);
    std::vector<size_t> dims;
    stacked_dims(plan, static_cast<size_t>(runs), dims);
    const size_t initial = sites > 0 ? file.add_int32_array("initial_levels", dims) : 0;
    const size_t finals = sites > 0 ? file.add_int32_array("final_levels", dims) : 0;
    const size_t means = rows > 0 ? file.add_array("mean_levels", {rows, static_cast<size_t>(runs)}) : 0;
    const size_t wraps = file.add_array("stream_wraps", {static_cast<size_t>(runs), 1});
    const auto shots = static_cast<size_t>(snapshot_count(plan));
    const bool snapshots = plan.snapshots.asked() && sites > 0;
    dims.insert(dims.end() - 1, shots);
    const size_t shot_array = snapshots ? file.add_int32_array("snapshots", dims) : 0;
    // observed.level_counts: levels x R x n; the others R x n.
    const size_t observations = observation_steps(plan).size();
    std::vector<size_t> observed;
    if (plan.observe.asked()) {
        for (const ObservedArray& a : observed_arrays(plan.observe.quantities, max_levels(plan))) {
            std::vector<size_t> shape = {observations, static_cast<size_t>(runs)};
            if (a.width > 1 || std::string(a.name) == "level_counts") shape.insert(shape.begin(), a.width);
            observed.push_back(file.add_array(std::string("observed/") + a.name, shape));
        }
    }
    SweepSummary summary(file, plan);
    const size_t run_bytes = sites * 8 + sites * shots * 4 + rows * 8 + observations * observation_values(plan) * 8;
    const size_t batch_runs = std::max<size_t>(1, batch_bytes / (run_bytes + 1));
    ResultBatch batch;
    int64_t wrapped = 0;
    for (int64_t first = 0; first < runs; first += static_cast<int64_t>(batch_runs)) {
        const auto count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(batch_runs), runs - first));
        gather_batch(path, plan, journal, first, count, rows, batch, summary);
        const auto at = static_cast<uint64_t>(first);
        if (sites > 0) {
            file.write_last_slab(initial, at, batch.initial.data(), count);
            file.write_last_slab(finals, at, batch.finals.data(), count);
        }
        if (rows > 0) file.write_last_slab(means, at, batch.means.data(), count);
        file.write_range(wraps, at, batch.wraps.data(), count);
        if (snapshots) file.write_last_slab(shot_array, at, batch.snapshots.data(), count);
        for (size_t a = 0; a < observed.size(); ++a) file.write_last_slab(observed[a], at, batch.observed[a].data(), count);
        summary.flush();
        wrapped += std::count(batch.wraps.begin(), batch.wraps.end(), 1.0);
    }
    file.close();
    return wrapped;
}
}  // namespace

int64_t write_sweep_mat(const std::string& path, const SweepPlan& plan, ResultJournal& journal,
                        const std::string& version, size_t batch_bytes) {
    create_mat73_file(path, header_text(version, journal.fingerprint()));
    write_opening(path, plan, version, static_cast<size_t>(plan.run_count()));
    write_run_tables(path, plan, batch_bytes);
    return write_results(path, plan, journal, batch_bytes);
}

}  // namespace sweep
