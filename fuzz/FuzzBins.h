#pragma once
// Running a bin-results document over the small recording and walking its
// bins, for the targets that end in one.
#include <map>
#include <string>

#include "FuzzSupport.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/logic/ecBinResultList.h"
#include "ecinterop/ecBinWalk.h"

namespace fuzz {

inline int Selected(const ecBinResult& r)
{
    int n = 0;
    for (int k = 0; r.R1 && k < r.m_nItems; ++k)
        n += r.R1[k] ? 1 : 0;
    return n;
}

// Runs the document; false when the library refuses it. With writeEvents
// the bins also go to event files in the scratch folder, each read back.
inline bool RunBins(const std::string& document, bool writeEvents)
{
    static const ecEventList recording = SmallRecording(true);
    ecEventList list = recording;

    // Each step marks the bin's events and only them.
    std::map<std::string, int> counts;
    bool unsafeName = false;
    std::size_t steps = 0;
    try {
        ecBinWalk::Run(document, list, [&](const ecBinWalk::Bin& bin) {
            FUZZ_CHECK(++steps <= bin.results.m_vResultList.size(), "the walk ends");
            int on = 0;
            for (const ecEvent& e : list) {
                FUZZ_CHECK(e.IsStatusOn() != e.IsStatusOff(), "every event is either in the bin or not");
                on += e.IsStatusOn() ? 1 : 0;
            }
            FUZZ_CHECK(bin.result.m_sID == bin.id && Selected(bin.result) == on,
                       "a preselected bin marks its selected events");
            for (std::size_t i = 0; i < bin.result.m_vExcluded.size(); ++i)
                FUZZ_CHECK(!(bin.result.m_vExcluded[i] && bin.result.R1[i]), "an excluded event is not in its bin");
            counts[bin.id] = counts.count(bin.id) ? -1 : on;
            unsafeName = unsafeName || bin.id.find_first_of(std::string("/\0", 2)) != std::string::npos ||
                         bin.id.size() > 200;
        });
    } catch (const ecError&) {
        // The library refuses the document; a walk it started must end.
        FUZZ_CHECK(steps == 0, "a document the library ran walks to its end");
        return false;
    }
    FUZZ_CHECK(list.size() == recording.size(), "running bins keeps the events");

    if (!writeEvents || unsafeName)
        return true;
    static const std::string base = ScratchPath("bin");
    ecBinResultList results;
    results.SetpEvents(&list);
    ecXml xml;
    xml.SetText(document);
    results.ReadXml(xml);
    results.WriteResultsAsEvents(base);
    for (const auto& c : counts) {
        if (c.second <= 0)
            continue;
        ecEventList back;
        const std::string file = base + "_" + c.first + ".evt";
        FUZZ_CHECK(back.ReadEventFile(file.c_str(), false), "a bin's event file reads back");
        FUZZ_CHECK(back.size() == static_cast<std::size_t>(c.second), "a bin's event file holds its events");
    }
    return true;
}

} // namespace fuzz
