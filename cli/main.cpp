// ecbin: the command-line host of the events library.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <limits>
#include <type_traits>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <signal.h>

#include "ecbin/Commands.h"
#include "ecrun/HostError.h"
#include "ecbin/ProgressBar.h"
#include "ecsafewrite/ecSafeWriter.h"

namespace {

enum class Sign { Any, Positive, NonNegative };

// A numeric option's text checked as the type it is stored in: a plain
// decimal (no nan, inf or hexadecimal), finite and within the range of T,
// whole for an integer, with the sign asked for. The messages stay short
// (CLI11's own spell out the whole range of a double).
template <class T>
std::string whole_name()
{
    return std::is_integral<T>::value ? "INT" : "NUMBER";
}

template <class T>
CLI::Validator Number(Sign sign = Sign::Any)
{
    return CLI::Validator(
        [sign](std::string& text) -> std::string {
            const bool whole = std::is_integral<T>::value;
            const char* allowed = whole ? "+-0123456789" : "+-0123456789.eE";
            if (text.empty() || text.find_first_not_of(allowed) != std::string::npos)
                return std::string(whole ? "must be a whole number" : "must be a number") + ", not " + text;
            errno = 0;
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            if (end != text.c_str() + text.size())
                return std::string(whole ? "must be a whole number" : "must be a number") + ", not " + text;
            const double high = static_cast<double>(std::numeric_limits<T>::max());
            const double low = whole ? static_cast<double>(std::numeric_limits<T>::min()) : -high;
            if (!std::isfinite(v) || v < low || v > high) {
                if (!whole)
                    return std::string(sizeof(T) == sizeof(float) ? "must be a finite number within a 32-bit float"
                                                                  : "must be a finite number") +
                           ", not " + text;
                return "must be a whole number from " + std::to_string(std::numeric_limits<T>::min()) + " to " +
                       std::to_string(std::numeric_limits<T>::max()) + ", not " + text;
            }
            const T value = static_cast<T>(v);
            if (sign == Sign::Positive && !(value > 0))
                return "must be a positive number, not " + text;
            if (sign == Sign::NonNegative && value < 0)
                return "must not be negative, not " + text;
            return std::string();
        },
        whole_name<T>());
}

struct EventFlags {
    float rate = 0.0f;
    std::string nameColumn;
    std::vector<std::string> eventIds;
    std::string from;
    std::string to;
};

void AddEventFlags(CLI::App* app, EventFlags& flags, bool output)
{
    app->add_option("--rate", flags.rate, "Sampling rate in samples per second (overrides a BIDS sidecar)")
        ->check(Number<float>(Sign::Positive));
    app->add_option("--name-column", flags.nameColumn, "BIDS column holding the event names (default trial_type, then value)");
    app->add_option("--event-id", flags.eventIds, "MNE event id of a name, NAME=ID (repeatable)");
    app->add_option("--from", flags.from, "Input format: evt, prexml, bids or eve (default: by file name)");
    if (output)
        app->add_option("--to", flags.to, "Output format: evt, bids or eve (default: by file name)");
}

// A command reading one event file, with an example of its use.
CLI::App* AddEventFileCommand(CLI::App& app, const std::string& name, const std::string& what, std::string& events,
                              const std::string& example)
{
    CLI::App* cmd = app.add_subcommand(name, what);
    cmd->add_option("events", events, "Event file")->required();
    cmd->footer("Example:\n  " + example);
    return cmd;
}

ecFormatOptions ToOptions(const EventFlags& flags, bool lenient, bool exactTime)
{
    ecFormatOptions options;
    options.lenient = lenient;
    options.exactTime = exactTime;
    options.rate = flags.rate;
    options.nameColumn = flags.nameColumn;
    options.ids.AddAll(flags.eventIds);
    options.inputFormat = flags.from;
    options.outputFormat = flags.to;
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    // A file-size limit then fails the write with EFBIG, which is reported,
    // instead of killing the program halfway through it.
    ::signal(SIGXFSZ, SIG_IGN);
    ecSafeWriter::RemoveTemporariesOnSignals();

    CLI::App app{"ecbin " + Commands::Version() +
                 ": tag events, run bins and convert event files of EEG/MEG recordings"};
    app.require_subcommand(1);
    app.set_version_flag("--version", Commands::Version());
    app.footer("Quick look: ecbin demo    Help on a command: ecbin <command> --help");
    bool lenient = false;
    app.add_flag("--lenient", lenient,
                 "Numbers that do not fit their field and records a reader stopped at are warnings, not errors");
    bool exactTime = false;
    app.add_flag("--exact-time", exactTime,
                 "Event times, window edges, epochs and the stimulus delay in whole samples, exact on recordings of "
                 "any length (default: single precision, which drifts past 2^24 samples)");
    // --lenient and --exact-time may follow the command too.
    app.fallthrough();

    Commands::Run run;
    EventFlags runFlags;
    CLI::App* runCmd = app.add_subcommand("run", "Run bins over one or many recordings and write one event file per bin");
    runCmd->add_option("events", run.events, "Event files, or BIDS dataset folders (every *_events.tsv below)")
        ->required();
    CLI::Option* binsOption =
        runCmd->add_option("-b,--bins", run.bins, "Bin list (bin_list) or bin-results document (bin_results)");
    CLI::Option* binDescOption =
        runCmd->add_option("--bindesc", run.binDesc, "Bin description (bin_desc) to tag the events with first");
    runCmd->add_option("--rules", run.rules, "Rules file (YAML: epochs, tags and bins) instead of --bins and --bindesc")
        ->excludes(binsOption)
        ->excludes(binDescOption);
    runCmd->add_option("-o,--out", run.out,
                       "Output base (one recording: BASE_<bin>.evt, or BASE_<bin>.tsv tables for BASE.tsv) or folder (several recordings); none: write nothing");
    runCmd->add_option("--summary", run.summary, "Write the bin table as TSV, or JSON when the name ends in .json (-: standard output)");
    runCmd->add_option("-j,--jobs", run.jobs, "Worker threads for several recordings (default: one per core)")
        ->check(Number<int>(Sign::NonNegative));
    runCmd->add_flag("--strict", run.strict,
                     "Fail a recording that lacks an event name or tag the bins ask for (default: a warning)");
    runCmd->add_option("--rt", run.rt, "Response time: the tag factor and the <name> of the conditional whose found event ends it, FACTOR:CONDITIONAL; written as rt_<factor> in .tsv outputs (repeatable)");
    runCmd->add_flag("--bids-derivatives", run.bidsDerivatives,
                     "Write OUT as a BIDS derivatives dataset: per recording its events with a true/false column per bin "
                     "(*_desc-bins_events.tsv and .json), and dataset_description.json (dataset folders only)");
    AddEventFlags(runCmd, runFlags, false);
    runCmd->footer("Examples:\n"
                   "  ecbin run rec_events.evt --bins bins.xml --bindesc tags.xml --rate 500 -o out/rec\n"
                   "  ecbin run rec_events.evt --rules oddball_rules.yaml -o out/rec\n"
                   "  ecbin run ds000248/ --bins bins.xml -j 4 -o out/ --summary out/summary.json");

    Commands::Tag tag;
    EventFlags tagFlags;
    CLI::App* tagCmd = AddEventFileCommand(app, "tag", "Tag events with a bin description and count the tags", tag.events,
                                           "ecbin tag sub-01_task-oddball_events.evt oddball_bindesc.xml -o tagged.evt");
    tagCmd->add_option("bindesc", tag.binDesc, "Bin description (bin_desc)")->required();
    tagCmd->add_option("-o,--out", tag.out,
                       "Write the tagged events (.evt keeps the tags as AttribTag elements; -: standard output)");
    tagCmd->add_flag("--strict", tag.strict,
                     "Fail when the recording lacks an event name the bin description asks for (default: a warning)");
    tagCmd->add_option("--rt", tag.rt, "Response time: the tag factor and the <name> of the conditional whose found event ends it, FACTOR:CONDITIONAL; written as rt_<factor> in .tsv outputs (repeatable)");
    AddEventFlags(tagCmd, tagFlags, true);

    Commands::Compile compile;
    EventFlags compileFlags;
    CLI::App* compileCmd = app.add_subcommand(
        "compile", "Turn a bin list into a bin-results document, or a rules file into a bin description and bin list");
    compileCmd->add_option("binlist", compile.binList, "Bin list (bin_list)");
    compileCmd->add_option("--rules", compile.rules, "Rules file (YAML) to compile into BASE_bindesc.xml and "
                                                     "BASE_binlist.xml (or BASE_binresults.xml)");
    compileCmd->add_option("--events", compile.events,
                           "Event file whose names a rule looking back (preceded_by) needs (default: the file's names:)");
    compileCmd->add_option("-o,--out", compile.out, "Output file (default: standard output); with --rules the base BASE");
    AddEventFlags(compileCmd, compileFlags, false);
    compileCmd->footer("Examples:\n  ecbin compile oddball_binlist.xml -o oddball_binresults.xml\n"
                       "  ecbin compile --rules oddball_rules.yaml --events sub-01_task-oddball_events.evt -o oddball");

    Commands::Explain explain;
    CLI::App* explainCmd = app.add_subcommand(
        "explain", "Say in plain sentences what a rules file, bin description, bin list or bin-results document selects");
    explainCmd->add_option("file", explain.file, "Rules file, bin_desc, bin_list or bin_results document")->required();
    explainCmd->footer("Example:\n  ecbin explain oddball_rules.yaml");

    Commands::Convert convert;
    EventFlags convertFlags;
    CLI::App* convertCmd = app.add_subcommand(
        "convert", "Convert between event-list documents (.evt), pre-XML event files (read only), BIDS *_events.tsv and "
                   "MNE .eve");
    convertCmd->add_option("in", convert.in, "Input event file")->required();
    convertCmd->add_option("out", convert.out, "Output event file (-: standard output)")->required();
    AddEventFlags(convertCmd, convertFlags, true);
    convertCmd->footer("Examples:\n"
                       "  ecbin convert sub-01_task-av_events.tsv sub-01.evt\n"
                       "  ecbin convert sub-01.evt sub-01.eve --rate 600.615 --event-id Auditory/Left=1");

    Commands::Info info;
    EventFlags infoFlags;
    CLI::App* infoCmd = AddEventFileCommand(app, "info", "Describe an event file: names, exclusions, time span, tags",
                                            info.events, "ecbin info sub-05_task-matchingpennies_events.tsv");
    AddEventFlags(infoCmd, infoFlags, false);

    Commands::Segments segments;
    EventFlags segmentFlags;
    CLI::App* segmentsCmd =
        AddEventFileCommand(app, "segments", "Draw random clean segments between rejected events, as TSV",
                            segments.events, "ecbin segments rec_events.evt --rate 500 --length 2 --count 50 --seed 7");
    segmentsCmd->add_option("--length", segments.length, "Segment length in seconds")
        ->required()
        ->check(Number<double>(Sign::Positive));
    segmentsCmd->add_option("--count", segments.count, "Number of segments (default 0: as many as fit)")
        ->check(Number<int>(Sign::NonNegative));
    segmentsCmd->add_option("--min-separation", segments.separation,
                            "Minimum gap between segments in seconds (negative: overlaps allowed)")
        ->check(Number<double>());
    CLI::Option* seed = segmentsCmd->add_option("--seed", segments.seed, "Random seed (default: a different draw each run)")
                             ->check(Number<int>());
    segmentsCmd->add_option("--margin", segments.margin, "Seconds kept clear at both ends of every clean stretch")
        ->check(Number<double>(Sign::NonNegative));
    segmentsCmd->add_option("--start", segments.start, "Start of the range in seconds (default 0)")
        ->check(Number<double>(Sign::NonNegative));
    segmentsCmd->add_option("--stop", segments.stop, "End of the range in seconds (default: the last event's end)")
        ->check(Number<double>(Sign::NonNegative));
    segmentsCmd->add_option("-o,--out", segments.out, "Output TSV (default: standard output)");
    AddEventFlags(segmentsCmd, segmentFlags, false);

    Commands::Demo demo;
    CLI::App* demoCmd = app.add_subcommand("demo", "Run tag, compile and run on the bundled oddball sample");
    demoCmd->add_option("--sample", demo.sample, "Folder holding the sample (default: the bundled one)");
    demoCmd->add_option("-o,--out", demo.out, "Folder for the per-bin event files (default: write nothing)");
    demoCmd->footer("Example:\n  ecbin demo --out demo-out");

    if (argc > 1 && argv[1][0] != '-') {
        bool known = false;
        std::string names;
        for (CLI::App* sub : app.get_subcommands({})) {
            known = known || sub->get_name() == argv[1];
            names += (names.empty() ? "" : ", ") + sub->get_name();
        }
        if (!known) {
            std::cerr << "ecbin: unknown command \"" << HostError::Format("", argv[1]) << "\" (commands: " << names
                      << "; see ecbin --help)\n";
            return 2;
        }
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::string where;
        for (CLI::App* sub : app.get_subcommands())
            where = " " + sub->get_name();
        // The parser's own messages may span lines; only names inside them
        // need escaping.
        std::string message = e.what();
        for (char& c : message)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::cerr << "ecbin" << where << ": " << HostError::Format("", message) << " (see ecbin" << where
                  << " --help)\n";
        return 2;
    }

    if (runCmd->parsed() && run.bins.empty() && run.rules.empty()) {
        std::cerr << "ecbin run: --bins or --rules is required (see ecbin run --help)\n";
        return 2;
    }

    try {
        if (runCmd->parsed()) {
            run.options = ToOptions(runFlags, lenient, exactTime);
            run.progress = ProgressBar::StderrIsTerminal();
            return Commands::RunBins(run, std::cout, std::cerr);
        }
        if (tagCmd->parsed()) {
            tag.options = ToOptions(tagFlags, lenient, exactTime);
            return Commands::TagEvents(tag, std::cout, std::cerr);
        }
        compile.lenient = lenient;
        if (compileCmd->parsed()) {
            compile.options = ToOptions(compileFlags, lenient, exactTime);
            return Commands::CompileBins(compile, std::cout, std::cerr);
        }
        if (explainCmd->parsed())
            return Commands::ExplainFile(explain, std::cout, std::cerr);
        if (convertCmd->parsed()) {
            convert.options = ToOptions(convertFlags, lenient, exactTime);
            return Commands::ConvertEvents(convert, std::cout, std::cerr);
        }
        if (infoCmd->parsed()) {
            info.options = ToOptions(infoFlags, lenient, exactTime);
            return Commands::ShowInfo(info, std::cout, std::cerr);
        }
        if (segmentsCmd->parsed()) {
            segments.options = ToOptions(segmentFlags, lenient, exactTime);
            segments.seeded = seed->count() > 0;
            return Commands::DrawSegments(segments, std::cout, std::cerr);
        }
        if (demoCmd->parsed())
            return Commands::RunDemo(demo, std::cout, std::cerr);
    } catch (...) {
        HostError::Print(std::cerr, HostError::FromCurrent().what());
        return 1;
    }
    return 1;
}
