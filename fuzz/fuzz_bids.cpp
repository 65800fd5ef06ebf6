// BIDS events tables, read with and without a sampling rate, written and
// read back.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ecinterop/ecBidsEvents.h"
#include "ecinterop/ecFormatError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ecFormatOptions options;
    for (const float rate : {0.0f, 500.0f}) {
        ecEventList list;
        list.SetSamplingRate(rate);
        try {
            ecBidsEvents::ReadText(text, "fuzz.tsv", options, list);
        } catch (const ecFormatError&) {
            continue;
        }
        // Onsets are written at the rate the table was read with, or at one
        // of the host's own when it had none.
        list.SetSamplingRate(500.0f);
        std::string written;
        try {
            written = ecBidsEvents::WriteText(list, "out.tsv");
        } catch (const ecFormatError&) {
            continue;
        }
        ecEventList back;
        back.SetSamplingRate(500.0f);
        try {
            ecBidsEvents::ReadText(written, "out.tsv", options, back);
        } catch (const ecFormatError& e) {
            FUZZ_CHECK(false, e.what());
        }
        FUZZ_CHECK(back.size() == list.size(), "a written table keeps its events");
        std::vector<ecEvent> sorted(list.begin(), list.end());
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const ecEvent& a, const ecEvent& b) { return a.m_iStart < b.m_iStart; });
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            const ecEvent& e = sorted[i];
            FUZZ_CHECK(back[i].m_sName == e.m_sName, "a written table keeps the names (a nameless event stays nameless)");
            FUZZ_CHECK(back[i].m_iStart == e.m_iStart, "a written table keeps the onsets");
            FUZZ_CHECK(back[i].m_iStop == std::max(e.m_iStart, e.m_iStop), "a written table keeps the durations");
            FUZZ_CHECK(back[i].m_nStatus == e.m_nStatus, "a written table keeps the rejections");
        }
    }
    return 0;
}
