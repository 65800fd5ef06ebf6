#pragma once
// Running a bin-results document over the small recording and walking its
// bins, for the targets that end in one.
#include <map>
#include <string>

#include "FuzzSupport.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/logic/ecBinResultList.h"

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
    ecBinResultList results;
    results.SetpEvents(&list);
    try {
        ecXml xml;
        xml.SetText(document);
        results.ReadXml(xml);
    } catch (const ecError&) {
        return false;
    }
    FUZZ_CHECK(list.size() == recording.size(), "running bins keeps the events");

    // Each step marks the bin's events and only them.
    std::map<std::string, int> counts;
    bool unsafeName = false;
    results.ResetForPreselection();
    std::size_t steps = 0;
    for (std::string id = results.PreselectNextBin(); !id.empty(); id = results.PreselectNextBin()) {
        FUZZ_CHECK(++steps <= results.m_vResultList.size(), "the walk ends");
        FUZZ_CHECK(results.GetpEpoch() != nullptr, "a preselected bin has an epoch");
        int on = 0;
        for (const ecEvent& e : list) {
            FUZZ_CHECK(e.IsStatusOn() != e.IsStatusOff(), "every event is either in the bin or not");
            on += e.IsStatusOn() ? 1 : 0;
        }
        bool found = false;
        for (const ecBinResult& r : results.m_vResultList)
            found = found || (r.m_sID == id && Selected(r) == on);
        FUZZ_CHECK(found, "a preselected bin marks its selected events");
        counts[id] = counts.count(id) ? -1 : on;
        unsafeName = unsafeName || id.find_first_of(std::string("/\0", 2)) != std::string::npos || id.size() > 200;
    }
    std::ostringstream out;
    results.WriteXml(out);

    if (!writeEvents || unsafeName)
        return true;
    static const std::string base = ScratchPath("bin");
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
