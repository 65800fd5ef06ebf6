#include "ecinterop/ecMneEvents.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecTextTable.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/events/ecEventLoader.h"
#include "ecsafewrite/ecSafeWriter.h"

namespace {

// The blanks that separate the fields of a line.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

} // namespace

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
    // Lines and blank-separated tokens are taken in place: a table of a
    // million events should not become millions of strings first.
    const std::string_view all(text);
    size_t at = all.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    list.reserve(static_cast<size_t>(std::count(all.begin() + static_cast<std::ptrdiff_t>(at), all.end(), '\n')) + 1);
    ecEventLoader loader(list, false);
    bool first = true;
    int firstSample = 0, lastSample = 0;
    double firstTime = 0.0, lastTime = 0.0;
    bool timed = true;
    int lastId = 0;
    std::string lastName;
    for (size_t l = 0; at < all.size(); ++l) {
        size_t lineEnd = at;
        while (lineEnd < all.size() && all[lineEnd] != '\n' && all[lineEnd] != '\r')
            ++lineEnd;
        std::string_view line = all.substr(at, lineEnd - at);
        at = lineEnd + (lineEnd + 1 < all.size() && all[lineEnd] == '\r' && all[lineEnd + 1] == '\n' ? 2 : 1);
        line = line.substr(0, std::min(line.size(), static_cast<size_t>(std::find(line.begin(), line.end(), '#') - line.begin())));
        std::string_view tokens[4];
        size_t count = 0;
        for (size_t p = 0;;) {
            while (p < line.size() && IsBlank(line[p]))
                ++p;
            if (p == line.size())
                break;
            const size_t q = std::find_if(line.begin() + static_cast<std::ptrdiff_t>(p), line.end(), IsBlank) - line.begin();
            if (count < 4)
                tokens[count] = line.substr(p, q - p);
            ++count;
            p = q;
        }
        if (count == 0)
            continue;
        const auto where = [&]() { return path + " line " + std::to_string(l + 1); };
        if (count != 3 && count != 4)
            throw ecFormatError(where(), "expected sample, time, previous value and event id (found " +
                                       std::to_string(count) + " fields)");
        int sample = 0, previous = 0, id = 0;
        double time = 0.0;
        const bool withTime = count == 4;
        if (!ecEventIdMap::ParseInt(tokens[0], sample))
            throw ecFormatError(where(), "sample \"" + std::string(tokens[0]) + "\" is not a 32-bit integer");
        if (withTime && !ecTextTable::ParseToken(tokens[1], time))
            throw ecFormatError(where(), "time \"" + std::string(tokens[1]) + "\" is not a number");
        if (!ecEventIdMap::ParseInt(tokens[withTime ? 2 : 1], previous))
            throw ecFormatError(where(), "previous value \"" + std::string(tokens[withTime ? 2 : 1]) + "\" is not an integer");
        if (!ecEventIdMap::ParseInt(tokens[withTime ? 3 : 2], id))
            throw ecFormatError(where(), "event id \"" + std::string(tokens[withTime ? 3 : 2]) + "\" is not an integer");
        timed = timed && withTime;
        if (first) {
            firstSample = sample;
            firstTime = time;
        }
        lastSample = sample;
        lastTime = time;

        ecEvent e;
        // Most events share a handful of ids.
        if (first || id != lastId) {
            lastName = options.ids.NameFor(id);
            lastId = id;
        }
        first = false;
        e.m_sName = lastName;
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
