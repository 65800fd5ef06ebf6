#include "ecinterop/ecMneEvents.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecTextTable.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/events/ecEventLoader.h"
#include "ecsafewrite/ecSafeWriter.h"

void ecMneEvents::Read(const std::string& path, const ecFormatOptions& options, ecEventList& list, double* estimatedRate)
{
    ReadText(ecTextTable::ReadFile(path), path, options, list, estimatedRate);
}

void ecMneEvents::ReadText(const std::string& text, const std::string& path, const ecFormatOptions& options,
                         ecEventList& list, double* estimatedRate)
{
    const float keepRate = list.GetSamplingRate();
    list.Clear();
    list.SetSamplingRate(keepRate);
    ecEventLoader loader(list, false);
    std::vector<std::string> lines = ecTextTable::Lines(text);
    bool first = true;
    int firstSample = 0, lastSample = 0;
    double firstTime = 0.0, lastTime = 0.0;
    bool timed = true;
    for (size_t l = 0; l < lines.size(); ++l) {
        std::string line = lines[l];
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.resize(hash);
        std::vector<std::string> tokens = ecTextTable::Tokens(line);
        if (tokens.empty())
            continue;
        const std::string where = path + " line " + std::to_string(l + 1);
        if (tokens.size() != 3 && tokens.size() != 4)
            throw ecFormatError(where, "expected sample, time, previous value and event id (found " +
                                       std::to_string(tokens.size()) + " fields)");
        int sample = 0, previous = 0, id = 0;
        double time = 0.0;
        const bool withTime = tokens.size() == 4;
        if (!ecEventIdMap::ParseInt(tokens[0], sample))
            throw ecFormatError(where, "sample \"" + tokens[0] + "\" is not a 32-bit integer");
        if (withTime && !ecTextTable::ParseNumber(tokens[1], time))
            throw ecFormatError(where, "time \"" + tokens[1] + "\" is not a number");
        if (!ecEventIdMap::ParseInt(tokens[withTime ? 2 : 1], previous))
            throw ecFormatError(where, "previous value \"" + tokens[withTime ? 2 : 1] + "\" is not an integer");
        if (!ecEventIdMap::ParseInt(tokens[withTime ? 3 : 2], id))
            throw ecFormatError(where, "event id \"" + tokens[withTime ? 3 : 2] + "\" is not an integer");
        timed = timed && withTime;
        if (first) {
            firstSample = sample;
            firstTime = time;
            first = false;
        }
        lastSample = sample;
        lastTime = time;

        ecEvent e;
        e.m_sName = options.ids.NameFor(id);
        e.m_iStart = e.m_iStop = sample;
        // Tables carry no status: every event comes in accepted.
        e.SetRejectedOff();
        loader.Enter(std::move(e));
    }
    if (estimatedRate) {
        *estimatedRate = 0.0;
        // The time column has millisecond resolution; the estimate is only
        // trusted over a stretch long enough to make that negligible.
        if (timed && !first && lastSample != firstSample && lastTime - firstTime >= 10.0)
            *estimatedRate = (static_cast<double>(lastSample) - firstSample) / (lastTime - firstTime);
    }
}

std::string ecMneEvents::WriteText(const ecEventList& list, const ecFormatOptions& options, const std::string& path)
{
    const double rate = list.GetSamplingRate();
    if (!(rate > 0.0))
        throw ecFormatError(path, "writing the time column needs the sampling rate: give --rate");
    std::vector<const ecEvent*> events;
    for (const ecEvent& e : list)
        events.push_back(&e);
    std::stable_sort(events.begin(), events.end(),
                     [](const ecEvent* a, const ecEvent* b) { return a->m_iStart < b->m_iStart; });
    std::string out;
    char line[128];
    for (const ecEvent* e : events) {
        int id = 0;
        if (!options.ids.IdFor(e->m_sName, id))
            throw ecFormatError(path, "the event name \"" + e->m_sName +
                                      "\" is not an integer id; map it with --event-id \"" + e->m_sName + "=ID\"");
        std::snprintf(line, sizeof line, "%6d %7.3f %3d %3d\n", e->m_iStart, e->m_iStart / rate, 0, id);
        out += line;
    }
    return out;
}

void ecMneEvents::Write(const ecEventList& list, const ecFormatOptions& options, const std::string& path)
{
    ecSafeWriter::WriteText(path, WriteText(list, options, path));
}
