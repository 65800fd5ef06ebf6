#include "ecbin/Commands.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <system_error>
#include <unordered_map>

#include "ecbin/BatchRunner.h"
#include "ecrun/BinDescFile.h"
#include "ecrun/BinsFile.h"
#include "ecinterop/ecEventFormats.h"
#include "ecrun/HostError.h"
#include "ecrun/NameCheck.h"
#include "ecbin/ProgressBar.h"
#include "ecrun/ReadNotes.h"
#include "ecrun/RecordingRun.h"
#include "ecrun/RecordingSet.h"
#include "ecrun/RunSummary.h"
#include "ecinterop/SafeText.h"
#include "ecbin/SampleLocator.h"
#include "ecinterop/ecXmlPlace.h"
#include "ecinterop/ecTextTable.h"
#include "ecevents/events/ecEventList.h"
#include "ecinterop/ecBidsDerivatives.h"
#include "ecinterop/ecBidsEvents.h"
#include "ecinterop/ecDatasetRecordings.h"
#include "ecinterop/ecResponseTimes.h"
#include "ecevents/specs/ecMatchRecord.h"
#include "ecinterop/ecEventStats.h"
#include "ecinterop/ecSegmentDraw.h"
#include "ecinterop/ecNearestSample.h"
#include "ecevents/segments/ecSegments.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecsafewrite/ecOutputGuard.h"
#include "ecsafewrite/ecSafeWriter.h"
#include "ecrules/ecRules.h"
#include "ecrules/ecRulesExplain.h"

namespace fs = std::filesystem;

namespace {

// Runs a command body; any failure becomes one line on err and status 1.
int Guarded(std::ostream& err, const std::function<int()>& body)
{
    try {
        return body();
    } catch (...) {
        HostError::Print(err, HostError::FromCurrent().what());
    }
    return 1;
}

// Names and paths as they may be shown on a terminal.
std::string Shown(const std::string& text)
{
    return SafeText::Printable(text);
}

std::string Seconds(double seconds)
{
    return ecTextTable::Fixed(seconds, 3) + " s";
}

// Where the rate came from follows it; the demo names a sidecar by its
// file name only.
std::string RateText(float rate, const ecEventFormats::Loaded& loaded, bool fileNameOnly = false)
{
    const std::string& source = loaded.rateSource;
    if (!(rate > 0.0f))
        return "unknown (give --rate)";
    std::string text = ecTextTable::ShortFloat(rate) + " Hz";
    if (source == "--rate")
        text += " (from --rate)";
    else if (!loaded.sidecar.empty())
        text += " (from " + Shown(fileNameOnly ? fs::path(source).filename().string() : source) + ")";
    else if (!source.empty())
        text += " (" + Shown(source) + ")";
    return text;
}

void PrintColumns(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& rows, const std::string& indent)
{
    std::vector<std::pair<std::string, std::string>> shown;
    size_t width = 0;
    for (const auto& r : rows) {
        shown.push_back({Shown(r.first), Shown(r.second)});
        width = std::max(width, SafeText::Columns(shown.back().first));
    }
    for (const auto& r : shown)
        out << indent << r.first << std::string(width - SafeText::Columns(r.first) + 2, ' ') << r.second << "\n";
}

// Tag names with the number of events carrying each, in the order the
// tags were first written.
std::vector<std::pair<std::string, std::string>> TagCounts(ecEventList& list)
{
    // One pass over the events for all tags: events carrying each listed
    // tag, an event counted once however often it carries it.
    std::unordered_map<std::string, size_t> index;
    for (int i = 0; i < list.GetUniqueTagNameCnt(); ++i)
        index.emplace(list.GetUniqueTagName(i), static_cast<size_t>(i));
    std::vector<int> counts(static_cast<size_t>(list.GetUniqueTagNameCnt()), 0);
    for (const ecEvent& e : list) {
        for (auto t = e.m_vTags.begin(); t != e.m_vTags.end(); ++t) {
            const auto found = index.find(*t);
            if (found != index.end() && std::find(e.m_vTags.begin(), t, *t) == t)
                ++counts[found->second];
        }
    }
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < list.GetUniqueTagNameCnt(); ++i) {
        std::string tag = list.GetUniqueTagName(i);
        const size_t at = index.at(tag);
        rows.push_back({std::move(tag), std::to_string(counts[at])});
    }
    return rows;
}

std::vector<std::pair<std::string, std::string>> Counted(const std::vector<std::pair<std::string, int>>& counts)
{
    std::vector<std::pair<std::string, std::string>> rows;
    for (const auto& c : counts)
        rows.push_back({c.first, std::to_string(c.second)});
    return rows;
}

int TaggedEvents(const ecEventList& list)
{
    return static_cast<int>(std::count_if(list.begin(), list.end(), [](const ecEvent& e) { return !e.m_vTags.empty(); }));
}

// Where the messages about a result go: standard error when the result
// itself goes to standard output, so that it stays clean.
std::ostream& Report(const std::string& output, std::ostream& out, std::ostream& err)
{
    return !output.empty() && ecSafeWriter::IsStandardOutput(output) ? err : out;
}

// A guard that knows the given inputs.
void AddInputs(ecOutputGuard& guard, std::initializer_list<std::string> names)
{
    for (const std::string& n : names)
        guard.AddInput(n);
}

// The summary may not lie where a recording's bin files go (base_<bin>.evt),
// whichever bins the run makes.
void RefuseSummaryAmongBins(const std::string& summary, const std::vector<RecordingSet::Recording>& recordings)
{
    const fs::path s(summary);
    const std::string name = s.filename().string();
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".evt") != 0)
        return;
    const std::string folder = s.parent_path().empty() ? "." : s.parent_path().string();
    for (const RecordingSet::Recording& r : recordings) {
        if (r.outBase.empty())
            continue;
        const fs::path base(r.outBase);
        const std::string prefix = base.filename().string() + "_";
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        if (ecOutputGuard::SameFile(folder, base.parent_path().empty() ? "." : base.parent_path().string()))
            throw HostError(summary, "refusing to write the summary among the bin files of " + r.events + " (" +
                                         r.outBase + "_<bin>.evt)");
    }
}

// The nearest sample to a time given on the command line, for an option
// named what.
int ToSamples(const std::string& what, double seconds, float rate)
{
    const double s = ecNearestSample(seconds, rate);
    if (!ecFitsSample(s))
        throw HostError(what + " " + ecTextTable::Fixed(seconds, 6) + " s is sample " + ecTextTable::Fixed(s, 0) + " at " +
                        ecTextTable::ShortFloat(rate) + " Hz, beyond the 32-bit sample range");
    return static_cast<int>(s);
}

void Warn(std::ostream& err, const std::vector<std::string>& warnings)
{
    for (const std::string& w : warnings)
        err << "ecbin: warning: " << HostError::Format("", w) << "\n";
}

// The distinct event names of a list, in order of first appearance.
std::vector<std::string> DistinctNames(const ecEventList& list)
{
    std::vector<std::string> names;
    for (const ecEvent& e : list)
        if (!e.m_sName.empty() && std::find(names.begin(), names.end(), e.m_sName) == names.end())
            names.push_back(e.m_sName);
    return names;
}

ecRules::Rules LoadRules(const std::string& path)
{
    return ecRules::Parse(ecTextTable::ReadFile(path), path);
}

NameCheck::Wanted RulesWanted(const ecRules::Rules& rules, const std::string& path)
{
    NameCheck::Wanted wanted;
    wanted.source = "rules file " + path;
    ecRules::WantedNames(rules, wanted.names, wanted.tags);
    return wanted;
}

// Reads an event file, printing what a lenient read read past.
ecEventFormats::Loaded ReadEvents(const std::string& path, const ecFormatOptions& options, ecEventList& list,
                                  std::ostream& err)
{
    ecEventFormats::Loaded loaded = ecEventFormats::Read(path, options, list);
    Warn(err, loaded.warnings);
    return loaded;
}

// An event file as a command reads it, printing what a lenient read read
// past.
struct EventFile {
    EventFile(const std::string& path, const ecFormatOptions& options, std::ostream& err)
        : loaded(ecEventFormats::Read(path, options, list))
        , rate(list.GetSamplingRate())
    {
        Warn(err, loaded.warnings);
    }
    ecEventList list;
    ecEventFormats::Loaded loaded;
    float rate;
};

} // namespace

namespace Commands {

std::string Version()
{
    return ECBIN_VERSION;
}

int RunBins(const Run& run, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        ecEventFormats::ParseFormat(run.options.inputFormat);
        ReadNotes notes(run.options.lenient);
        // A derivatives dataset fingerprints the documents as they were
        // read for the run, not as a second reading might find them.
        std::vector<ecBidsDerivatives::Document> documents;
        const auto read = [&](const std::string& path) {
            std::string text = ecTextTable::ReadFile(path);
            if (run.bidsDerivatives)
                documents.push_back({fs::path(path).filename().string(), text});
            return text;
        };
        RecordingRun::Plan plan = RecordingRun::Prepare({run.bins, run.binDesc, run.rules, run.rt}, notes, read);
        plan.strict = run.strict;
        plan.derivatives = run.bidsDerivatives;
        notes.Print(err);
        plan.events = run.options;
        bool batch = false;
        std::vector<RecordingSet::Recording> recordings = RecordingSet::Collect(run.events, run.out, batch);
        ecOutputGuard guard;
        AddInputs(guard, {run.bins, run.binDesc, run.rules});
        // Each recording's rate is looked up once, here: its sidecar is an
        // input that no output may replace, known before anything is written.
        std::vector<ecEventFormats::Rate> rates;
        for (const RecordingSet::Recording& r : recordings) {
            rates.push_back(ecEventFormats::FindRate(r.events, run.options));
            AddInputs(guard, {r.events, rates.back().sidecar});
        }
        if (run.bidsDerivatives)
            RecordingSet::CheckDerivatives(run.events, run.out, "--bids-derivatives", guard);
        if (!run.summary.empty()) {
            guard.Claim(run.summary);
            RefuseSummaryAmongBins(run.summary, recordings);
        }
        plan.guard = &guard;
        std::ostream& report = Report(run.summary, out, err);

        std::vector<RecordingResult> results(recordings.size());
        {
            ProgressBar bar(err, run.progress && batch, recordings.size());
            BatchRunner::ForEach(recordings.size(), batch ? run.jobs : 1, [&](size_t i) {
                results[i] = RecordingRun::Run(recordings[i].events, recordings[i].outBase, plan, &rates[i]);
                bar.Step(recordings[i].events);
            });
        }
        RunSummary summary(std::move(results));
        for (const RecordingResult& r : summary.Results()) {
            Warn(err, r.warnings);
            if (!r.ok)
                HostError::Print(err, r.error);
        }
        const int done = static_cast<int>(summary.Results().size()) - summary.Failed();
        if (done > 0)
            summary.PrintTable(report, batch);
        size_t written = 0;
        for (const RecordingResult& r : summary.Results())
            written += r.written.size();
        if (run.bidsDerivatives && done > 0)
            ecBidsDerivatives::WriteDescription(run.out, documents);
        if (!run.out.empty() && done > 0)
            report << "wrote " << written << " event file" << (written == 1 ? "" : "s") << (batch ? " under " : " as ")
                   << Shown(batch ? run.out : RecordingRun::OutputName(run.out, "<bin>")) << "\n";
        if (batch)
            report << done << " of " << summary.Results().size() << " recordings done"
                   << (summary.Failed() ? ", " + std::to_string(summary.Failed()) + " failed" : "") << "\n";
        if (!run.summary.empty()) {
            summary.Write(run.summary);
            report << "summary: " << Shown(run.summary) << "\n";
        }
        return summary.Failed() ? 1 : 0;
    });
}

int TagEvents(const Tag& tag, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        EventFile input(tag.events, tag.options, err);
        ReadNotes notes(tag.options.lenient);
        const std::string binDescText = BinDescFile::Load(tag.binDesc, &notes);
        notes.Print(err);
        const std::vector<ecRtRequest> requests = BinDescFile::RtRequests(binDescText, tag.binDesc, tag.rt);
        if (!requests.empty() && !tag.out.empty() &&
            ecEventFormats::OutputFormat(tag.out, ecEventFormats::ParseFormat(tag.options.outputFormat)) !=
                ecEventFormats::Bids)
            throw HostError(tag.out, "response times (--rt) are written as rt_<factor> columns of a table: name a .tsv "
                                     "output or give --to bids");
        const std::string precision = RecordingRun::SinglePrecisionWarning(input.list);
        if (!precision.empty())
            err << "ecbin: warning: " << HostError::Format(tag.events, precision) << "\n";
        ecMatchRecord record;
        BinDescFile::Tag(binDescText, tag.binDesc, input.list, tag.events, requests.empty() ? nullptr : &record);
        std::vector<ecBidsEvents::SecondsColumn> rt;
        try {
            rt = ecResponseTimes::Columns(requests, record, input.list);
        } catch (...) {
            throw HostError::FromCurrent(tag.events, "response times: ");
        }
        const NameCheck::Wanted wanted = NameCheck::FromBinDesc(binDescText, tag.binDesc);
        for (const std::string& message : NameCheck::Missing(input.list, wanted)) {
            if (tag.strict)
                throw HostError(tag.events, message + " (--strict)");
            err << "ecbin: warning: " << HostError::Format(tag.events, message) << "\n";
        }
        if (!tag.out.empty()) {
            ecOutputGuard guard;
            AddInputs(guard, {tag.events, tag.binDesc, input.loaded.sidecar});
            guard.Claim(tag.out);
            if (rt.empty())
                ecEventFormats::Write(input.list, tag.out, tag.options);
            else
                ecBidsEvents::Write(input.list, tag.out, rt);
        }
        std::ostream& report = Report(tag.out, out, err);
        std::vector<std::pair<std::string, std::string>> rows = TagCounts(input.list);
        report << TaggedEvents(input.list) << " of " << input.list.size() << " events tagged";
        report << (rows.empty() ? "" : "; events per tag:") << "\n";
        PrintColumns(report, rows, "  ");
        for (const ecBidsEvents::SecondsColumn& column : rt) {
            const size_t n = static_cast<size_t>(
                std::count_if(column.values.begin(), column.values.end(), [](double v) { return v == v; }));
            report << Shown(column.name) << ": " << n << " event" << (n == 1 ? "" : "s");
            if (n > 0)
                report << ", mean " << Seconds(ecResponseTimes::Mean(column.values)) << ", median "
                       << Seconds(ecResponseTimes::Median(column.values));
            report << "\n";
        }
        if (!tag.out.empty())
            report << "wrote " << Shown(tag.out) << "\n";
        return 0;
    });
}

namespace {

int CompileRules(const Compile& compile, std::ostream& out, std::ostream& err)
{
    if (!compile.binList.empty())
        throw HostError("give either a bin list or --rules, not both");
    if (compile.out.empty())
        throw HostError("compile --rules writes BASE_bindesc.xml and BASE_binlist.xml: give -o BASE");
    const ecRules::Rules rules = LoadRules(compile.rules);
    std::vector<std::string> names;
    ecEventFormats::Loaded loaded;
    if (!compile.events.empty()) {
        ecEventList list;
        loaded = ReadEvents(compile.events, compile.options, list, err);
        names = DistinctNames(list);
        for (const std::string& message : NameCheck::Missing(list, RulesWanted(rules, compile.rules)))
            if (message.find("names the event") != std::string::npos)
                err << "ecbin: warning: " << HostError::Format(compile.events, message) << "\n";
    }
    const ecRules::Compiled compiled = ecRules::Compile(rules, compile.events.empty() ? nullptr : &names);
    // What the library cannot read back is not written.
    ecPar_BinDesc desc;
    BinDescFile::Parse(compiled.binDesc, compile.rules, desc);
    if (!compiled.binResults)
        BinsFile::FromText(compiled.bins, compile.rules);
    const std::string binDescOut = compile.out + "_bindesc.xml";
    const std::string binsOut = compile.out + (compiled.binResults ? "_binresults.xml" : "_binlist.xml");
    ecOutputGuard guard;
    AddInputs(guard, {compile.rules, compile.events, loaded.sidecar});
    guard.Claim(binDescOut);
    guard.Claim(binsOut);
    ecSafeWriter::WriteText(binDescOut, compiled.binDesc);
    ecSafeWriter::WriteText(binsOut, compiled.bins);
    out << "wrote " << Shown(binDescOut) << ": " << desc.GetNumAttribSpecs() << " attribute spec"
        << (desc.GetNumAttribSpecs() == 1 ? "" : "s") << "\n";
    out << "wrote " << Shown(binsOut) << ": " << rules.bins.size() << " bin" << (rules.bins.size() == 1 ? "" : "s")
        << ", " << rules.epochs.size() << " epoch" << (rules.epochs.size() == 1 ? "" : "s") << "\n";
    return 0;
}

} // namespace

int CompileBins(const Compile& compile, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        if (!compile.rules.empty())
            return CompileRules(compile, out, err);
        if (compile.binList.empty())
            throw HostError("give a bin list to compile, or --rules FILE -o BASE");
        BinsFile::Kind kind = BinsFile::BinList;
        ReadNotes notes(compile.lenient);
        const std::string text = BinsFile::Load(compile.binList, &kind, &notes);
        notes.Print(err);
        if (kind != BinsFile::BinList)
            throw HostError(compile.binList, "already a bin-results document; compile takes a bin list (<bin_list>)");
        if (compile.out.empty()) {
            out << text;
            return 0;
        }
        ecOutputGuard guard;
        guard.AddInput(compile.binList);
        guard.Claim(compile.out);
        ecSafeWriter::WriteText(compile.out, text);
        int epochs = 0, sequences = 0;
        BinsFile::Count(text, epochs, sequences);
        Report(compile.out, out, err) << "wrote " << Shown(compile.out) << ": " << epochs << " epoch"
                                      << (epochs == 1 ? "" : "s") << ", " << sequences
                                      << " bin_ops sequence" << (sequences == 1 ? "" : "s") << "\n";
        return 0;
    });
}

int ExplainFile(const Explain& explain, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        const std::string text = ecTextTable::ReadFile(explain.file);
        std::string sentences;
        try {
            sentences = ecRules::Explain(text, explain.file);
        } catch (const ecRules::Error& e) {
            throw HostError(e.what());
        } catch (const std::exception& e) {
            throw HostError::FromCurrent(ecXmlPlace::Of(explain.file, text, e.what()));
        }
        out << sentences;
        return 0;
    });
}

int ConvertEvents(const Convert& convert, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        const ecEventFormats::Format to = ecEventFormats::OutputFormat(convert.out, ecEventFormats::ParseFormat(convert.options.outputFormat));
        EventFile input(convert.in, convert.options, err);
        ecOutputGuard guard;
        AddInputs(guard, {convert.in, input.loaded.sidecar});
        guard.Claim(convert.out);
        ecEventFormats::Write(input.list, convert.out, convert.options, to);
        Report(convert.out, out, err) << Shown(convert.in) << " (" << ecEventFormats::FormatName(input.loaded.format)
                                      << ", " << input.list.size() << " events) -> " << Shown(convert.out) << " ("
                                      << ecEventFormats::FormatName(to) << ")\n";
        return 0;
    });
}

int ShowInfo(const Info& info, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        EventFile input(info.events, info.options, err);
        out << "file: " << Shown(info.events) << "\n";
        out << "format: " << ecEventFormats::FormatName(input.loaded.format) << "\n";
        out << "sampling rate: " << RateText(input.rate, input.loaded) << "\n";
        const ecEventStats stats = ecEventStats::Of(input.list);
        out << "events: " << stats.events;
        if (stats.rejected)
            out << " (" << stats.rejected << " rejected)";
        out << "\n";
        if (stats.events > 0) {
            out << "time span: samples " << stats.first << " to " << stats.last;
            // The span of two ints may not fit one.
            const long long span = static_cast<long long>(stats.last) - stats.first;
            if (input.rate > 0.0f)
                out << " (" << Seconds(stats.first / static_cast<double>(input.rate)) << " to "
                    << Seconds(stats.last / static_cast<double>(input.rate)) << ", "
                    << Seconds(span / static_cast<double>(input.rate))
                    << ")";
            out << "\n";
        }

        std::vector<std::pair<std::string, std::string>> names = Counted(stats.names);
        if (stats.unnamed)
            names.push_back({"(no name)", std::to_string(stats.unnamed)});
        out << "names: " << names.size() << "\n";
        PrintColumns(out, names, "  ");

        out << "exclusion events: " << stats.exclusions;
        if (stats.exclusions) {
            out << ", " << stats.excludedSamples << " samples in total";
            if (input.rate > 0.0f)
                out << " (" << Seconds(stats.excludedSeconds) << ")";
        }
        out << "\n";

        out << "tags: " << (stats.tags.empty() ? "none" : std::to_string(stats.tags.size())) << "\n";
        PrintColumns(out, Counted(stats.tags), "  ");
        if (!input.list.GetAnnotation().empty())
            out << "annotation: " << HostError::Format("", input.list.GetAnnotation()) << "\n";
        return 0;
    });
}

int DrawSegments(const Segments& segments, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        EventFile input(segments.events, segments.options, err);
        if (!(input.rate > 0.0f))
            throw HostError(segments.events, "segment lengths are in seconds: give --rate");
        const int length = ToSamples("--length", segments.length, input.rate);
        if (length < 1)
            throw HostError("--length " + ecTextTable::Fixed(segments.length, 6) + " is shorter than one sample at " +
                            ecTextTable::ShortFloat(input.rate) + " Hz");
        if (segments.count < 0)
            throw HostError("--count must not be negative");
        const int separation =
            segments.separation < 0.0 ? -1 : ToSamples("--min-separation", segments.separation, input.rate);
        if (separation < 0 && segments.count < 1)
            throw HostError("overlapping segments (negative --min-separation) need --count");

        const int first = segments.start >= 0.0 ? ToSamples("--start", segments.start, input.rate) : 0;
        const int last =
            segments.stop >= 0.0 ? ToSamples("--stop", segments.stop, input.rate) : ecSegmentDraw::LastSample(input.list);
        if (last < first)
            throw HostError(segments.events, "the range to draw from is empty (samples " + std::to_string(first) + " to " +
                                                 std::to_string(last) + "); give --stop");

        ecSegmentDraw draw;
        draw.length = length;
        draw.count = segments.count;
        draw.separation = separation;
        draw.margin = segments.margin > 0.0 ? ToSamples("--margin", segments.margin, input.rate) : 0;
        draw.seeded = segments.seeded;
        draw.seed = segments.seed;
        std::vector<ecSegment> pieces;
        try {
            pieces = draw.Draw(input.list, first, last);
        } catch (...) {
            throw HostError::FromCurrent(segments.events);
        }
        const int drawn = static_cast<int>(pieces.size());

        std::ostringstream table;
        table << "start_sample\tstop_sample\tonset\tduration\n";
        for (const ecSegment& s : pieces) {
            table << s.iStart << '\t' << s.iStop << '\t' << ecTextTable::Fixed(s.iStart / static_cast<double>(input.rate), 6)
                  << '\t'
                  << ecTextTable::Fixed((static_cast<long long>(s.iStop) - s.iStart + 1) / static_cast<double>(input.rate), 6)
                  << "\n";
        }
        if (segments.out.empty()) {
            out << table.str();
        } else {
            ecOutputGuard guard;
            AddInputs(guard, {segments.events, input.loaded.sidecar});
            guard.Claim(segments.out);
            ecSafeWriter::WriteText(segments.out, table.str());
            Report(segments.out, out, err) << "wrote " << drawn << " segment" << (drawn == 1 ? "" : "s") << " to "
                                           << Shown(segments.out) << "\n";
        }
        if (segments.count > 0 && drawn < segments.count)
            err << "ecbin: " << Shown(segments.events) << ": only " << drawn << " of " << segments.count
                << " segments fit between the rejected stretches\n";
        return 0;
    });
}

int RunDemo(const Demo& demo, std::ostream& out, std::ostream& err)
{
    return Guarded(err, [&]() {
        const std::string folder = demo.sample.empty() ? SampleLocator::Find() : demo.sample;
        const std::string events = (fs::path(folder) / SampleLocator::EventsFile()).string();
        const std::string binDesc = (fs::path(folder) / SampleLocator::BinDescFile()).string();
        const std::string binList = (fs::path(folder) / SampleLocator::BinListFile()).string();

        out << "ecbin demo: the bundled auditory oddball sample\n";
        out << "  folder:   " << Shown(folder) << "\n";
        ecEventList list;
        ecFormatOptions options;
        ecEventFormats::Loaded loaded = ecEventFormats::Read(events, options, list);
        out << "  events:   " << SampleLocator::EventsFile() << " (" << list.size() << " events)\n";
        out << "  rate:     " << RateText(list.GetSamplingRate(), loaded, true)
            << "\n";
        out << "  bin_desc: " << SampleLocator::BinDescFile() << "\n";
        out << "  bin_list: " << SampleLocator::BinListFile() << "\n";
        out << "  rules:    " << SampleLocator::RulesFile() << " (the same study in one readable file)\n\n";

        out << "1. tag: the bin description tags the events\n";
        BinDescFile::Tag(BinDescFile::Load(binDesc), binDesc, list, events);
        out << "   " << TaggedEvents(list) << " of " << list.size() << " events tagged\n";
        PrintColumns(out, TagCounts(list), "   ");

        out << "\n2. compile: the bin list becomes a bin-results document\n";
        const std::string binResults = BinsFile::Load(binList);
        int epochs = 0, sequences = 0;
        BinsFile::Count(binResults, epochs, sequences);
        out << "   " << epochs << " epochs, " << sequences << " bin_ops sequences (one sets the exclusion switch)\n";

        out << "\n3. run: the sequences make the bins\n";
        RecordingRun::Plan plan;
        plan.binsPath = binList;
        plan.binResultsText = binResults;
        plan.binDescPath = binDesc;
        plan.binDescText = BinDescFile::Load(binDesc);
        ecOutputGuard guard;
        AddInputs(guard, {events, binDesc, binList, loaded.sidecar});
        plan.guard = &guard;
        const std::string base =
            demo.out.empty() ? "" : (fs::path(demo.out) / ecDatasetRecordings::Stem(events)).string();
        RecordingResult result = RecordingRun::Run(events, base, plan);
        if (!result.ok)
            throw HostError(result.error);
        std::ostringstream table;
        RunSummary({result}).PrintTable(table, false);
        std::istringstream lines(table.str());
        for (std::string line; std::getline(lines, line);)
            out << "   " << line << "\n";
        for (const std::string& w : result.written)
            out << "   wrote " << Shown(w) << "\n";

        out << "\n4. rules: " << SampleLocator::RulesFile() << " tags and bins in one step\n";
        const std::string rulesPath = (fs::path(folder) / SampleLocator::RulesFile()).string();
        RecordingRun::Plan rulesPlan;
        rulesPlan.binsPath = rulesPath;
        rulesPlan.rules = std::make_shared<ecRules::Rules>(LoadRules(rulesPath));
        RecordingResult fromRules = RecordingRun::Run(events, "", rulesPlan);
        if (!fromRules.ok)
            throw HostError(fromRules.error);
        bool same = fromRules.bins.size() == result.bins.size();
        for (const RecordingResult::Bin& a : fromRules.bins) {
            auto b = std::find_if(result.bins.begin(), result.bins.end(),
                                  [&](const RecordingResult::Bin& x) { return x.id == a.id; });
            same = same && b != result.bins.end() && b->events == a.events && b->firstSample == a.firstSample &&
                   b->lastSample == a.lastSample;
        }
        out << "   " << fromRules.bins.size() << " bins, "
            << (same ? "the same bins from the rules file as from the two documents"
                     : "bins that differ from the two documents'")
            << "\n   ecbin explain " << Shown(rulesPath) << " says what each selects\n";
        if (demo.out.empty())
            out << "\nTo write one event file per bin: ecbin demo --out demo-out\n";
        return 0;
    });
}

} // namespace Commands
