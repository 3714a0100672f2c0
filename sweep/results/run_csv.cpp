#include "results/run_csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

#include "matfile/mat73_reader.h"
#include "store/whole_file.h"
#include "sweep_error.h"

namespace sweep {

namespace {
// The shortest text that reads back as value; NaN as NaN.
void append_number(std::string& line, double value) {
    if (std::isnan(value)) {
        line += "NaN";
        return;
    }
    char text[32];
    // Whole numbers as such (200000, not 2e+05), for a reader's eye.
    const bool whole = value == std::trunc(value) && std::fabs(value) < 1e15;
    const auto done = whole ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
                            : std::to_chars(text, text + sizeof text, value);
    line.append(text, done.ptr);
}

// The run table's columns in the CSV's order: who the run is first, then
// the arguments.
std::vector<std::string> csv_columns(const std::vector<std::string>& fields) {
    std::vector<std::string> columns;
    for (const char* first : {"combination", "replicate", "seed"}) {
        if (std::find(fields.begin(), fields.end(), first) != fields.end()) columns.push_back(first);
    }
    for (const std::string& f : fields) {
        if (std::find(columns.begin(), columns.end(), f) == columns.end()) columns.push_back(f);
    }
    return columns;
}
}  // namespace

int64_t write_run_csv(const std::string& mat_path, const std::string& csv_path, size_t batch_bytes) {
    const Mat73Reader file(mat_path);
    for (const char* needed : {"runs", "runs/steps", "mean_levels", "stream_wraps", "summary/last_steps"}) {
        if (!file.has(needed)) {
            throw SweepError(mat_path + ": holds no " + needed + "; is it a sweep's output, whole?");
        }
    }
    const std::vector<std::string> columns = csv_columns(file.fields("runs"));
    const size_t runs = file.dims("runs/steps")[0];
    const size_t rows = file.dims("mean_levels")[0];
    double last_steps = 0.0;
    file.read_column("summary/last_steps", 0, 1, &last_steps);
    // Means kept every `every` steps: the window holds last / every of them.
    double every = 1.0;
    if (rows > 0 && file.has("mean_steps")) file.read_column("mean_steps", 0, 1, &every);
    const auto step_gap = static_cast<size_t>(std::max(1.0, every));
    const size_t last = static_cast<size_t>(last_steps) / step_gap;
    // The observed quantities of one value each, at the last observation.
    std::vector<std::string> observed;
    size_t observations = 0;
    if (file.has("observed")) {
        for (const std::string& f : file.fields("observed")) {
            if (f != "steps" && f != "level_counts") observed.push_back(f);
        }
        observations = file.dims("observed/steps")[0];
    }

    write_whole_file(csv_path, [&](const std::string& partial) {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        std::string line = "run";
        for (const std::string& c : columns) line += "," + c;
        out << line << ",final_mean,last_mean,stream_wraps";
        for (const std::string& o : observed) out << "," << o;
        out << "\n";
        const auto steps_column =
            static_cast<size_t>(std::find(columns.begin(), columns.end(), "steps") - columns.begin());
        const size_t run_values = rows + columns.size() + 2 + observed.size() * observations;
        const size_t batch = std::max<size_t>(1, batch_bytes / (run_values * sizeof(double)));
        std::vector<std::vector<double>> seen(observed.size());
        std::vector<std::vector<double>> table(columns.size());
        std::vector<double> means;
        std::vector<double> wraps;
        for (size_t first = 0; first < runs; first += batch) {
            const size_t count = std::min(batch, runs - first);
            for (size_t c = 0; c < columns.size(); ++c) {
                table[c].resize(count);
                file.read_column("runs/" + columns[c], first, count, table[c].data());
            }
            means.resize(rows * count);
            if (rows > 0) file.read_last_slab("mean_levels", first, count, means.data());
            wraps.resize(count);
            file.read_column("stream_wraps", first, count, wraps.data());
            for (size_t o = 0; o < observed.size(); ++o) {
                seen[o].resize(observations * count);
                file.read_last_slab("observed/" + observed[o], first, count, seen[o].data());
            }
            for (size_t j = 0; j < count; ++j) {
                line = std::to_string(first + j + 1);
                for (size_t c = 0; c < columns.size(); ++c) {
                    line += ",";
                    append_number(line, table[c][j]);
                }
                // The run's own means: the first steps / step_gap rows of its column.
                const auto steps =
                    static_cast<size_t>(std::max(0.0, std::trunc(table[steps_column][j]))) / step_gap;
                const double* m = means.data() + j * rows;
                double window = NAN;
                if (last > 0 && steps >= last && steps <= rows) {
                    double sum = 0.0;
                    for (size_t t = steps - last; t < steps; ++t) sum += m[t];
                    window = sum / static_cast<double>(last);
                }
                line += ",";
                append_number(line, steps > 0 && steps <= rows ? m[steps - 1] : NAN);
                line += ",";
                append_number(line, window);
                line += ",";
                append_number(line, wraps[j]);
                for (size_t o = 0; o < observed.size(); ++o) {
                    line += ",";
                    append_number(line, seen[o][j * observations + observations - 1]);
                }
                out << line << "\n";
            }
        }
        out.close();
        if (!out) throw SweepError(csv_path + ": cannot write the table (is the disk full?).");
    });
    return static_cast<int64_t>(runs);
}

}  // namespace sweep
