#include "ecinterop/ecBidsEvents.h"

#include <algorithm>
#include <cmath>
#include <charconv>
#include <utility>
#include <vector>

#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecTextTable.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/events/ecEventLoader.h"
#include "ecinterop/ecNearestSample.h"
#include "ecsafewrite/ecSafeWriter.h"

namespace {

const std::string kNA = "n/a";

int Column(const std::vector<std::string>& header, const std::string& name)
{
    for (size_t i = 0; i < header.size(); ++i)
        if (header[i] == name)
            return static_cast<int>(i);
    return -1;
}

// A row's cell in column, n/a when the table has no such column, so that an
// optional column needs no test of its own before each use.
const std::string& Cell(const std::vector<std::string>& cells, int column)
{
    return column >= 0 ? cells[static_cast<size_t>(column)] : kNA;
}

std::string Where(const std::string& path, size_t line)
{
    return path + " line " + std::to_string(line);
}

// A sample number that must fit the event's 32-bit field; what names the
// value in the message.
int FitSample(double sample, const std::string& what)
{
    if (!ecFitsSample(sample))
        throw ecFormatError("", what + " is sample " + ecTextTable::Fixed(sample, 0) + ", beyond the 32-bit sample range");
    return static_cast<int>(sample);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, from)) {
        parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    parts.push_back(text.substr(from));
    return parts;
}

// Why a tag would not read back as itself from the tags column, or "".
std::string TagProblem(const std::string& tag)
{
    if (tag.empty() || tag == kNA)
        return "is empty or n/a";
    if (tag.find_first_of(";\t\r\n") != std::string::npos)
        return "holds a \";\", tab or line break";
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    if (blank(tag.front()) || blank(tag.back()))
        return "starts or ends with blanks";
    return "";
}

} // namespace

void ecBidsEvents::Read(const std::string& path, const ecFormatOptions& options, ecEventList& list)
{
    ReadText(ecTextTable::ReadFile(path), path, options, list);
}

void ecBidsEvents::ReadText(const std::string& text, const std::string& path, const ecFormatOptions& options,
                          ecEventList& list)
{
    std::vector<std::string> lines = ecTextTable::Lines(text);
    while (!lines.empty() && ecTextTable::Trim(lines.back()).empty())
        lines.pop_back();
    if (lines.empty())
        throw ecFormatError(path, "empty file, expected a BIDS events table with a header row");
    std::vector<std::string> header = ecTextTable::SplitTabs(lines[0]);
    for (std::string& h : header)
        h = ecTextTable::Trim(h);

    const int onset = Column(header, "onset");
    if (onset < 0)
        throw ecFormatError(path, "no onset column in the header (is this a BIDS events table?)");
    const int duration = Column(header, "duration");
    const int sample = Column(header, "sample");
    const int value = Column(header, "value");
    const int tags = Column(header, "tags");
    int name = -1;
    if (!options.nameColumn.empty()) {
        name = Column(header, options.nameColumn);
        if (name < 0)
            throw ecFormatError(path, "no column named \"" + options.nameColumn + "\" for the event names");
    } else {
        name = Column(header, "trial_type");
        if (name < 0)
            name = value;
        if (name < 0)
            throw ecFormatError(path, "no trial_type or value column for the event names; name one with --name-column");
    }
    // Where a missing name is looked up next; -1 for nowhere.
    const int fallBack = options.nameColumn.empty() && name != value ? value : -1;
    const double rate = list.GetSamplingRate();

    const float keepRate = list.GetSamplingRate();
    list.Clear();
    list.SetSamplingRate(keepRate);
    ecEventLoader loader(list, false);
    for (size_t l = 1; l < lines.size(); ++l) {
        if (ecTextTable::Trim(lines[l]).empty())
            continue;
        std::vector<std::string> cells = ecTextTable::SplitTabs(lines[l]);
        if (cells.size() != header.size())
            throw ecFormatError(Where(path, l + 1), "expected " + std::to_string(header.size()) + " tab-separated columns, found " +
                                                    std::to_string(cells.size()));
        for (std::string& c : cells)
            c = ecTextTable::Trim(c);

        ecEvent e;
        e.m_sName = cells[name];
        if (e.m_sName == kNA)
            e.m_sName = Cell(cells, fallBack);
        // n/a marks a missing cell, not a kind of event: such a row has no
        // name, as a nameless event is written back as n/a, and no "n/a"
        // event type appears that nobody put in the table.
        if (e.m_sName == kNA)
            e.m_sName.clear();

        if (Cell(cells, tags) != kNA)
            for (const std::string& t : Split(cells[tags], ';'))
                if (!ecTextTable::Trim(t).empty())
                    e.m_vTags.push_back(ecTextTable::Trim(t));

        double seconds = 0.0;
        const bool haveOnset = cells[onset] != kNA;
        if (haveOnset && !ecTextTable::ParseNumber(cells[onset], seconds))
            throw ecFormatError(Where(path, l + 1), "onset \"" + cells[onset] + "\" is not a number");
        try {
            if (rate > 0.0 && haveOnset) {
                e.m_iStart = FitSample(ecNearestSample(seconds, rate), "onset " + cells[onset] + " s");
            } else if (Cell(cells, sample) != kNA) {
                double s = 0.0;
                if (!ecTextTable::ParseNumber(cells[sample], s))
                    throw ecFormatError("", "sample \"" + cells[sample] + "\" is not a number");
                e.m_iStart = FitSample(std::round(s), "sample " + cells[sample]);
            } else if (!haveOnset) {
                throw ecFormatError("", "onset is n/a and there is no sample to place the event");
            } else {
                throw ecFormatError("", "no sampling rate to turn the onset into a sample: give --rate or a sidecar "
                                    "with SamplingFrequency");
            }

            e.m_iStop = e.m_iStart;
            if (Cell(cells, duration) != kNA) {
                double d = 0.0;
                if (!ecTextTable::ParseNumber(cells[duration], d))
                    throw ecFormatError("", "duration \"" + cells[duration] + "\" is not a number");
                if (d < 0.0)
                    throw ecFormatError("", "duration " + cells[duration] + " is negative");
                if (d > 0.0) {
                    if (!(rate > 0.0))
                        throw ecFormatError("", "no sampling rate to turn the duration into samples: give --rate");
                    // Start and length each fit; their sum need not.
                    e.m_iStop = FitSample(ecLastSample(e.m_iStart, d, rate), "the end of onset " + cells[onset] +
                                                                                 " s plus duration " + cells[duration] + " s");
                }
            }
        } catch (const ecFormatError& problem) {
            throw ecFormatError(Where(path, l + 1), problem.what());
        }

        // Tables carry no status: every event comes in accepted.
        e.SetRejectedOff();
        loader.RegisterTags(e.m_vTags);
        loader.Enter(std::move(e));
    }
}

std::string ecBidsEvents::WriteText(const ecEventList& list, const std::string& path,
                                    const std::vector<SecondsColumn>& extra, const std::vector<TextColumn>& text)
{
    const double rate = list.GetSamplingRate();
    if (!(rate > 0.0))
        throw ecFormatError(path, "writing onsets in seconds needs the sampling rate: give --rate");
    std::vector<std::string> names{"onset", "duration", "sample", "trial_type", "tags"};
    const auto addName = [&](const std::string& name, size_t values) {
        if (values != list.size())
            throw ecFormatError(path, "the column " + name + " has " + std::to_string(values) + " values for " +
                                          std::to_string(list.size()) + " events");
        if (name.empty() || name.find_first_of("\t\r\n") != std::string::npos ||
            std::find(names.begin(), names.end(), name) != names.end())
            throw ecFormatError(path, "the column name \"" + name + "\" is empty, taken or holds a tab or line break");
        names.push_back(name);
    };
    for (const SecondsColumn& column : extra)
        addName(column.name, column.values.size());
    for (const TextColumn& column : text) {
        addName(column.name, column.values.size());
        for (const std::string& v : column.values)
            if (v.find_first_of("\t\r\n") != std::string::npos)
                throw ecFormatError(path, "a value of the column " + column.name + " holds a tab or line break");
    }
    // Indexes rather than events, so that the extra columns follow the rows.
    std::vector<size_t> order(list.size());
    bool tags = false;
    for (size_t i = 0; i < list.size(); ++i) {
        order[i] = i;
        tags = tags || !list[i].m_vTags.empty();
    }
    // Lists mostly come in time order already (matching sorts them).
    if (!std::is_sorted(list.begin(), list.end(), [](const ecEvent& a, const ecEvent& b) { return a.m_iStart < b.m_iStart; }))
        std::stable_sort(order.begin(), order.end(),
                         [&list](size_t a, size_t b) { return list[a].m_iStart < list[b].m_iStart; });

    std::string out = "onset\tduration\tsample\ttrial_type";
    out += tags ? "\ttags" : "";
    for (const SecondsColumn& column : extra)
        out += '\t' + column.name;
    for (const TextColumn& column : text)
        out += '\t' + column.name;
    out += '\n';
    // A row takes some 60 characters; a little spare saves regrowing.
    out.reserve(out.size() + list.size() * (64 + 16 * extra.size()));
    char number[16];
    for (size_t row : order) {
        const ecEvent* e = &list[row];
        for (char c : e->m_sName)
            if (c == '\t' || c == '\n' || c == '\r')
                throw ecFormatError(path, "the event name \"" + e->m_sName + "\" holds a tab or line break");
        // A span of two ints may not fit one.
        const long long samples =
            e->m_iStop > e->m_iStart ? static_cast<long long>(e->m_iStop) - e->m_iStart + 1 : 0;
        ecTextTable::AppendFixed(out, e->m_iStart / rate, 9);
        out += '\t';
        ecTextTable::AppendFixed(out, static_cast<double>(samples) / rate, 9);
        out += '\t';
        out.append(number, static_cast<size_t>(std::to_chars(number, number + sizeof number, e->m_iStart).ptr - number));
        out += '\t';
        out += e->m_sName.empty() ? kNA : e->m_sName;
        if (tags) {
            out += '\t';
            const size_t joinedAt = out.size();
            for (const std::string& t : e->m_vTags) {
                const std::string problem = TagProblem(t);
                if (!problem.empty())
                    throw ecFormatError(path, "the tag \"" + t + "\" of event \"" + e->m_sName + "\" " + problem +
                                              ", so the tags column could not give it back");
                if (out.size() > joinedAt)
                    out += ';';
                out += t;
            }
            if (out.size() == joinedAt)
                out += kNA;
        }
        for (const SecondsColumn& column : extra) {
            const double v = column.values[row];
            out += '\t';
            if (std::isfinite(v))
                ecTextTable::AppendFixed(out, v, 9);
            else
                out += kNA;
        }
        for (const TextColumn& column : text) {
            out += '\t';
            out += column.values[row];
        }
        out += '\n';
    }
    return out;
}

void ecBidsEvents::Write(const ecEventList& list, const std::string& path, const std::vector<SecondsColumn>& extra,
                         const std::vector<TextColumn>& text)
{
    ecSafeWriter::WriteText(path, WriteText(list, path, extra, text));
}
