#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "all_models.h"
#include "cli/run_options.h"

namespace sweep {

namespace {
const char* kSweepUsage =
    "  latticesweep sweep DESCRIPTION.toml [-o OUTPUT.mat] [--threads N] [--resume]\n"
    "                     [--overwrite] [--quiet] [--one-at-a-time] [--shard K/N]\n";
const char* kMergeUsage = "  latticesweep merge DESCRIPTION.toml [-o OUTPUT.mat] --shards N [--overwrite] [--quiet]\n";
// The run command's usage opens with the model's arguments (run_usage),
// then these lines.
const char* kRunUsageStart = "  latticesweep run --model ring|torus";
const char* kRunUsageEnd =
    "                   (--traits \"0 1 2; 2 1 0\" | --random SIZE [--initial-seed N]\n"
    "                    | --traits-file FILE.mat [--variable NAME])\n"
    "                   [-o OUTPUT.mat [--overwrite]] [--quiet]\n";
const size_t kRunUsageWidth = 76;

const char* kExportUsage = "  latticesweep export OUTPUT.mat [-o TABLE.csv] [--overwrite]\n";
const char* kMpiUsage = "  mpirun -np 4 latticesweep sweep DESCRIPTION.toml -o OUTPUT.mat --threads 1\n";
const char* kVersionUsage = "  latticesweep --version\n";
const char* kProgramIntro =
    "latticesweep: runs of the ring and torus models outside any host, each with exactly\n"
    "the results of the host call ringsim or gridsim with the same arguments.\n";
const char* kSweepIntro =
    "latticesweep sweep: makes every run of a sweep description (a TOML file that names\n"
    "the model, the values of its arguments and the initial levels) on all cores, and\n"
    "writes the results to a MAT-file that MATLAB and Octave load.\n";
const char* kRunIntro =
    "latticesweep run: makes one run of the ring (as ringsim) or the torus (as gridsim)\n"
    "and prints its final levels and its mean level after every step in a form a host\n"
    "can paste, or writes them to a one-run MAT-file with -o.\n";
const char* kExportIntro =
    "latticesweep export: writes a sweep's runs from its MAT-file as one flat table (CSV:\n"
    "a line per run with its combination, replicate, seed, arguments, final mean, mean\n"
    "over the summary's last steps and stream_wraps) for pandas, R and spreadsheets.\n";
const char* kMergeIntro =
    "latticesweep merge: writes a sweep's MAT-file from the journals of its N shards\n"
    "(each made by 'latticesweep sweep ... --shard K/N', on any machine that shares the\n"
    "folder), once every shard is done; the file is the one the whole sweep writes.\n";
const int kUsageError = 2;
const long long kMaxThreads = 4096;

// An option's name, its value's name and its help.
struct ArgumentHelp {
    const char* name;
    const char* value;
    const char* help;
};

// The description of an argument some model takes (the first that does).
const arguments::ModelArgument& described_argument(const std::string& name) {
    for (const models::ModelDescriptor* model : models::all_models()) {
        const int k = arguments::find_argument(model->arguments, name.c_str());
        if (k >= 0) return model->arguments.list[k];
    }
    throw std::logic_error("no model takes the argument " + name);
}

// "ring|torus": the values of --model.
std::string model_value_names() {
    std::string names;
    for (const models::ModelDescriptor* model : models::all_models())
        names += (names.empty() ? "" : "|") + std::string(model->name);
    return names;
}

// "ring (as ringsim) or torus (as gridsim)".
std::string model_value_help() {
    std::string help;
    const auto models = models::all_models();
    for (size_t k = 0; k < models.size(); ++k) {
        help += (k == 0 ? "" : k + 1 == models.size() ? " or " : ", ") + std::string(models[k]->name) + " (as " +
                models[k]->arguments.function + ")";
    }
    return help;
}

// "N" for an argument taken as a whole number, "X" for any number.
const char* value_name(const std::string& argument) {
    return described_argument(argument).kind == arguments::ArgumentKind::int32 ? "N" : "X";
}

// "--levels N", "--noise X": an argument's option with its value.
std::string option_with_value(const std::string& name) { return argument_option(name) + " " + value_name(name); }

// The words of run's usage: each argument every model takes as its option,
// and each stretch of arguments of one model only as the alternatives
// "(ring's | torus's)".
std::vector<std::string> run_usage_words() {
    std::vector<std::string> words;
    const auto models = models::all_models();
    std::vector<std::string> alternatives(models.size());  // per model, in all_models order
    for (const std::string& name : run_argument_names()) {
        const models::ModelDescriptor* only_in = nullptr;
        if (argument_of_one_model(name, only_in)) {
            const auto m = static_cast<size_t>(std::find(models.begin(), models.end(), only_in) - models.begin());
            alternatives[m] += (alternatives[m].empty() ? "" : " ") + option_with_value(name);
            continue;
        }
        const bool pending =
            std::any_of(alternatives.begin(), alternatives.end(), [](const std::string& a) { return !a.empty(); });
        if (pending) {
            std::string group;
            for (std::string& a : alternatives) {
                group += (group.empty() ? "(" : " | ") + a;
                a.clear();
            }
            words.push_back(group + ")");
        }
        words.push_back(option_with_value(name));
    }
    return words;
}

// Run's usage lines, the words wrapped under the command.
std::string run_usage() {
    const std::string indent(std::string(kRunUsageStart).find("--"), ' ');
    std::string text = kRunUsageStart;
    size_t line_start = 0;
    for (const std::string& word : run_usage_words()) {
        if (text.size() - line_start + 1 + word.size() > kRunUsageWidth) {
            text += "\n";
            line_start = text.size();
            text += indent + word;
        } else {
            text += " " + word;
        }
    }
    return text + "\n" + kRunUsageEnd;
}

// The options of each command, read once parsing is done.
struct SweepSlots {
    CLI::App* command = nullptr;
    CLI::Option* description = nullptr;
    CLI::Option* output = nullptr;
    CLI::Option* threads = nullptr;
    CLI::Option* shard = nullptr;
    CLI::Option* halt_after = nullptr;
};

struct MergeSlots {
    CLI::App* command = nullptr;
    CLI::Option* description = nullptr;
    CLI::Option* output = nullptr;
    CLI::Option* shards = nullptr;
};

struct ExportSlots {
    CLI::App* command = nullptr;
    CLI::Option* source = nullptr;
    CLI::Option* output = nullptr;
};

struct RunSlots {
    CLI::App* command = nullptr;
    std::vector<CLI::Option*> values;  // the options read into RunOptionValues
    CLI::Option* output = nullptr;
};

// CLI11's help layout, opened by our own text and usage lines, which show
// what a bare "[OPTIONS]" cannot: the options a command needs and the
// alternatives.
std::string help_text(const CLI::Formatter& layout, const CLI::App& shown) {
    std::string text;
    if (shown.get_name() == "sweep") text = std::string(kSweepIntro) + "\nUsage:\n" + kSweepUsage + kMpiUsage;
    else if (shown.get_name() == "run") text = std::string(kRunIntro) + "\nUsage:\n" + run_usage();
    else if (shown.get_name() == "export") text = std::string(kExportIntro) + "\nUsage:\n" + kExportUsage;
    else if (shown.get_name() == "merge") text = std::string(kMergeIntro) + "\nUsage:\n" + kMergeUsage;
    else {
        text = std::string(kProgramIntro) + "\nUsage:\n" + kSweepUsage + kMergeUsage + run_usage() + kExportUsage +
               kVersionUsage;
    }
    text += layout.make_positionals(&shown);
    for (const std::string& group : shown.get_groups()) {
        const std::vector<const CLI::Option*> options = shown.get_options(
            [&](const CLI::Option* option) { return option->get_group() == group && option->nonpositional(); });
        if (!group.empty() && !options.empty()) text += layout.make_group(group, false, options);
    }
    text += layout.make_subcommands(&shown, CLI::AppFormatMode::Normal);
    return text + (shown.get_footer().empty() ? "" : "\n" + shown.get_footer() + "\n");
}

void use_own_help_layout(CLI::App& app) {
    auto layout = std::make_shared<CLI::Formatter>();
    layout->label("Positionals", "Arguments");
    layout->column_width(28);
    app.formatter_fn([layout](const CLI::App* shown, std::string, CLI::AppFormatMode) {
        return help_text(*layout, *shown);
    });
}

// An option that takes a value. It is read after parsing (given_value), so
// that a missing value gets a message of ours, and a repeat one
// (refuse_repeats).
CLI::Option* add_value_option(CLI::App& command, const std::string& names, const std::string& value_name,
                              const std::string& help) {
    return command.add_option(names, help)
        ->type_name(value_name)
        ->expected(0, 1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

std::string option_name(const CLI::Option& option) { return "--" + option.get_lnames().front(); }

// Every option of a command, flags included, is given at most once: a
// second value would silently replace the first.
void refuse_repeats(const CLI::App& command) {
    for (const CLI::Option* option : command.get_options()) {
        if (option->nonpositional() && option->count() > 1) {
            throw SweepError("option " + option_name(*option) + " is given twice; give it once.");
        }
    }
}

// The option's value, "" when it is absent (a repeat is refused before).
std::string given_value(const CLI::Option& option) {
    const std::vector<std::string>& values = option.results();
    if (values.empty()) return std::string();
    const std::string name = option_name(option);
    if (values.back().empty()) {
        std::string help = option.get_description();
        std::replace(help.begin(), help.end(), '\n', ' ');
        throw SweepError("option " + name + " needs a value (" + name + " " + option.get_type_name() + "): " + help +
                         ".");
    }
    return values.back();
}

bool whole_number(const std::string& text, long long low, long long high, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= low && value <= high;
}

SweepSlots add_sweep_command(CLI::App& app, SweepOptions& options) {
    SweepSlots slots;
    CLI::App* sweep = app.add_subcommand("sweep", "run a sweep description on all cores into a MAT-file");
    sweep->footer(
        "A stopped sweep keeps its finished runs in OUTPUT.mat.journal; --resume continues it.\n"
        "Under mpirun the ranks share the runs and rank 0 writes the output. docs/sweeps.md\n"
        "in the source describes sweep descriptions and the MAT-file's variables.");
    sweep->allow_extras();
    slots.command = sweep;
    // Every word that is not an option: more than one is an error of ours.
    slots.description = sweep->add_option("DESCRIPTION.toml", "the sweep description to run")
                            ->type_name("")
                            ->allow_extra_args()
                            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    slots.output = add_value_option(*sweep, "-o,--output", "OUTPUT.mat",
                                    "the MAT-file to write (default: the description's\n"
                                    "name with .mat)");
    slots.threads = add_value_option(*sweep, "--threads", "N",
                                     "compute threads, 1 to 4096 (default: the CPUs this\nprocess may run on, " +
                                         std::to_string(usable_cpus()) + " here; per rank under mpirun)");
    sweep->add_flag("--resume", options.resume, "continue a stopped sweep from its journal");
    sweep->add_flag("--overwrite", options.overwrite,
                    "replace OUTPUT.mat if it exists (without it, an\nexisting output is kept and the sweep refused)");
    sweep->add_flag("--quiet", options.quiet, "no progress line and no notes");
    sweep->add_flag("--one-at-a-time", options.one_at_a_time,
                    "make each run alone instead of two of one shape\n"
                    "together (for comparing speed; results are identical)");
    slots.shard = add_value_option(*sweep, "--shard", "K/N",
                                   "make only shard K of N (1 <= K <= N): every N-th run,\n"
                                   "into its own journal; 'latticesweep merge' writes\nOUTPUT.mat once all are done");
    // A testing aid: stops dead after that many new results, as a crash would.
    slots.halt_after = add_value_option(*sweep, "--halt-after", "RUNS", "stop dead after RUNS new results")->group("");
    return slots;
}

RunSlots add_run_command(CLI::App& app, SweepOptions& options) {
    RunSlots slots;
    CLI::App* run = app.add_subcommand("run", "make one run from options; print or save its results");
    run->allow_extras();
    slots.command = run;
    const std::string model_group = "Model and its arguments (each needed once, as in the host call)";
    slots.values.push_back(
        add_value_option(*run, "--model", model_value_names(), model_value_help())->group(model_group));
    for (const std::string& name : run_argument_names()) {
        const models::ModelDescriptor* only_in = nullptr;
        const std::string scope = argument_of_one_model(name, only_in) ? std::string(only_in->name) + ": " : "";
        slots.values.push_back(add_value_option(*run, argument_option(name), value_name(name),
                                                scope + described_argument(name).help)
                                   ->group(model_group));
    }
    const std::string initial_group = "Initial levels (exactly one of --traits, --random, --traits-file)";
    const ArgumentHelp initial_options[] = {
        {"--traits", "\"0 1 2; 2 1 0\"", "the levels, rows separated by ';' (the ring takes\nthem in column order)"},
        {"--random", "SIZE", "uniform random levels: the ring's site count (1000),\nthe torus's ROWSxCOLUMNS (64x64)"},
        {"--initial-seed", "N", "with --random: seed of the draws (default: --seed)"},
        {"--traits-file", "FILE.mat", "a real double array in a MAT-file"},
        {"--variable", "NAME", "with --traits-file: the variable to read (default:\ntraits)"},
    };
    for (const ArgumentHelp& h : initial_options) {
        slots.values.push_back(add_value_option(*run, h.name, h.value, h.help)->group(initial_group));
    }
    slots.output = add_value_option(*run, "-o,--output", "OUTPUT.mat",
                                    "write a one-run MAT-file instead of printing the\nresults")
                       ->group("Output");
    run->add_flag("--overwrite", options.overwrite, "with -o: replace OUTPUT.mat if it exists")->group("Output");
    run->add_flag("--quiet", options.quiet, "with -o: no progress line and no notes")->group("Output");
    return slots;
}

MergeSlots add_merge_command(CLI::App& app, SweepOptions& options) {
    MergeSlots slots;
    CLI::App* command = app.add_subcommand("merge", "write a sweep's MAT-file from its shards' journals");
    command->allow_extras();
    slots.command = command;
    slots.description = command->add_option("DESCRIPTION.toml", "the sweep description the shards ran")
                            ->type_name("")
                            ->allow_extra_args()
                            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    slots.output = add_value_option(*command, "-o,--output", "OUTPUT.mat",
                                    "the MAT-file the shards were made for (default: the\ndescription's name with .mat)");
    slots.shards = add_value_option(*command, "--shards", "N", "how many shards the sweep was cut into");
    command->add_flag("--overwrite", options.overwrite, "replace OUTPUT.mat if it exists");
    command->add_flag("--quiet", options.quiet, "no notes");
    return slots;
}

ExportSlots add_export_command(CLI::App& app, SweepOptions& options) {
    ExportSlots slots;
    CLI::App* command = app.add_subcommand("export", "write a sweep's runs as a CSV table");
    command->allow_extras();
    slots.command = command;
    slots.source = command->add_option("OUTPUT.mat", "the MAT-file a sweep wrote")
                       ->type_name("")
                       ->allow_extra_args()
                       ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    slots.output = add_value_option(*command, "-o,--output", "TABLE.csv",
                                    "the table to write (default: the MAT-file's name\nwith .csv)");
    command->add_flag("--overwrite", options.overwrite, "replace TABLE.csv if it exists");
    return slots;
}

// The first word the command did not know, as an error; "--" ends the
// options (the words after it are the command's arguments).
void refuse_unknown(const CLI::App& command) {
    std::vector<std::string> unknown = command.remaining();
    unknown.erase(std::remove(unknown.begin(), unknown.end(), "--"), unknown.end());
    if (unknown.empty()) return;
    if (unknown.front().rfind("-", 0) != 0) {
        throw SweepError("unexpected argument '" + unknown.front() + "': every value follows its option, as in " +
                         "--steps 100.");
    }
    throw SweepError("unknown option " + unknown.front() + " for " + command.get_name() + ".");
}

// path with its extension (if any) replaced: OUTPUT.mat for
// DESCRIPTION.toml, in the same folder.
std::string default_output(const std::string& path, const std::string& extension = ".mat") {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    const bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? path.substr(0, dot) : path) + extension;
}

// K/N, 1 <= K <= N <= kMaxShards.
void read_shard(const std::string& text, SweepOptions& options) {
    const size_t slash = text.find('/');
    long long shard = 0;
    long long shards = 0;
    if (slash == std::string::npos || !whole_number(text.substr(0, slash), 1, kMaxShards, shard) ||
        !whole_number(text.substr(slash + 1), 1, kMaxShards, shards) || shard > shards) {
        throw SweepError("option --shard: give K/N, shard K of N with 1 <= K <= N <= " + std::to_string(kMaxShards) +
                         ", as in --shard 2/8; got '" + text + "'.");
    }
    options.shard = shard;
    options.shards = shards;
}

void read_sweep(const SweepSlots& slots, CommandLine& line) {
    refuse_unknown(*slots.command);
    refuse_repeats(*slots.command);
    const std::vector<std::string>& descriptions = slots.description->results();
    if (descriptions.empty()) {
        throw SweepError("sweep needs a sweep description to run, as in: latticesweep sweep noise_sweep.toml");
    }
    if (descriptions.size() > 1) {
        throw SweepError("more than one sweep description: '" + descriptions[0] + "' and '" + descriptions[1] +
                         "'; give one per sweep.");
    }
    line.command = Command::sweep;
    line.description = descriptions.front();
    line.options.output = given_value(*slots.output);
    if (line.options.output.empty()) line.options.output = default_output(line.description);
    line.options.threads = usable_cpus();
    const std::string threads = given_value(*slots.threads);
    long long value = 0;
    if (!threads.empty()) {
        if (!whole_number(threads, 1, kMaxThreads, value)) {
            throw SweepError("option --threads: give a whole number from 1 to " + std::to_string(kMaxThreads) +
                             "; got '" + threads + "'.");
        }
        line.options.threads = static_cast<int>(value);
        // More threads than CPUs share them: each run then takes longer.
        if (line.options.threads > usable_cpus() && !line.options.quiet) {
            std::fprintf(stderr,
                         "latticesweep: warning: --threads %d, but this process may run on only %d CPU%s (its "
                         "binding: mpirun binds each rank to a core by default, srun to --cpus-per-task, taskset "
                         "to its list), so threads will share them. Give --threads %d, or bind each process "
                         "to more CPUs (mpirun --bind-to none or --map-by slot:PE=N, srun --cpus-per-task=N).\n",
                         line.options.threads, usable_cpus(), usable_cpus() == 1 ? "" : "s", usable_cpus());
        }
    }
    const std::string shard = given_value(*slots.shard);
    if (!shard.empty()) read_shard(shard, line.options);
    const std::string halt_after = given_value(*slots.halt_after);
    if (!halt_after.empty()) {
        if (!whole_number(halt_after, 0, INT64_MAX, value)) {
            throw SweepError("option --halt-after: give a whole number of runs, 0 or more; got '" + halt_after + "'.");
        }
        line.options.halt_after = value;
    }
}

void read_merge(const MergeSlots& slots, CommandLine& line) {
    refuse_unknown(*slots.command);
    refuse_repeats(*slots.command);
    const std::vector<std::string>& descriptions = slots.description->results();
    if (descriptions.size() != 1) {
        throw SweepError("merge takes the one sweep description its shards ran, as in: latticesweep merge "
                         "noise_sweep.toml --shards 8");
    }
    line.command = Command::merge;
    line.description = descriptions.front();
    line.options.output = given_value(*slots.output);
    if (line.options.output.empty()) line.options.output = default_output(line.description);
    const std::string shards = given_value(*slots.shards);
    long long value = 0;
    if (!whole_number(shards, 1, kMaxShards, value)) {
        throw SweepError("option --shards: give the number of shards, 1 to " + std::to_string(kMaxShards) +
                         (shards.empty() ? std::string(" (it is needed)") : "; got '" + shards + "'") + ".");
    }
    line.options.shards = value;
}

void read_export(const ExportSlots& slots, CommandLine& line) {
    refuse_unknown(*slots.command);
    refuse_repeats(*slots.command);
    const std::vector<std::string>& sources = slots.source->results();
    if (sources.size() != 1) {
        throw SweepError("export takes one MAT-file a sweep wrote, as in: latticesweep export noise_sweep.mat");
    }
    line.command = Command::export_table;
    line.description = sources.front();
    line.options.output = given_value(*slots.output);
    if (line.options.output.empty()) line.options.output = default_output(line.description, ".csv");
    if (line.options.output == line.description) {
        throw SweepError("option --output: the table would replace the MAT-file it is read from; name another file.");
    }
}

void read_run(const RunSlots& slots, CommandLine& line) {
    refuse_unknown(*slots.command);
    refuse_repeats(*slots.command);
    RunOptionValues values;
    for (const CLI::Option* option : slots.values) {
        const std::string value = given_value(*option);
        if (!value.empty()) values[option_name(*option)] = value;
    }
    line.command = Command::run;
    line.options.output = given_value(*slots.output);
    if (line.options.overwrite && line.options.output.empty()) {
        throw SweepError("option --overwrite replaces the file -o names; without -o run only prints its results.");
    }
    line.plan = run_plan_from_options(values);
}

void report_usage_error(const std::string& message, const std::string& command) {
    const std::string help = command.empty() ? "'latticesweep --help' to see the commands and how to use them"
                                             : "'latticesweep " + command + " --help' to see every option";
    std::fprintf(stderr, "latticesweep: %s\nRun %s.\n", message.c_str(), help.c_str());
}
}  // namespace

bool read_command_line(int argc, const char* const* argv, CommandLine& line, int& exit_status) {
    CLI::App app("", "latticesweep");  // its help opens with kProgramIntro
    use_own_help_layout(app);
    app.set_help_flag("-h,--help", "print this help and exit");
    app.set_version_flag("--version", program_version(), "print the program's name and version, and exit");
    app.allow_extras();
    app.require_subcommand(0, 1);
    const SweepSlots sweep = add_sweep_command(app, line.options);
    const RunSlots run = add_run_command(app, line.options);
    const MergeSlots merge = add_merge_command(app, line.options);
    const ExportSlots export_table = add_export_command(app, line.options);
    app.footer("Run 'latticesweep COMMAND --help' (sweep, merge, run or export) for a command's options.");
    for (CLI::App* command : {sweep.command, merge.command, run.command, export_table.command})
        command->group("Commands");

    exit_status = kUsageError;
    std::string command;
    try {
        app.parse(argc, argv);
        const std::vector<std::string> unknown = app.remaining();
        if (!unknown.empty() && unknown.front().rfind("-", 0) == 0) {
            throw SweepError("unknown option " + unknown.front() + ": give a command first (sweep, merge, run " +
                             "or export), then its options.");
        }
        if (!unknown.empty()) {
            throw SweepError("unknown command '" + unknown.front() +
                             "': the commands are sweep, merge, run and export.");
        }
        if (sweep.command->parsed()) {
            command = "sweep";
            read_sweep(sweep, line);
        } else if (run.command->parsed()) {
            command = "run";
            read_run(run, line);
        } else if (merge.command->parsed()) {
            command = "merge";
            read_merge(merge, line);
        } else if (export_table.command->parsed()) {
            command = "export";
            read_export(export_table, line);
        } else {
            std::fputs(app.help().c_str(), stderr);
            return false;
        }
    } catch (const CLI::Success& e) {  // --help or --version
        exit_status = app.exit(e);
        return false;
    } catch (const CLI::ParseError& e) {
        report_usage_error(e.what(), sweep.command->parsed()          ? "sweep"
                                     : run.command->parsed()          ? "run"
                                     : merge.command->parsed()        ? "merge"
                                     : export_table.command->parsed() ? "export"
                                                                      : "");
        return false;
    } catch (const SweepError& e) {
        report_usage_error(e.what(), command);
        return false;
    }
    exit_status = 0;
    return true;
}

}  // namespace sweep
