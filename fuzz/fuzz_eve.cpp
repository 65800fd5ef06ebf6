// MNE .eve files: read with a few event ids mapped to names, written and
// read back.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecMneEvents.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ecFormatOptions options;
    options.ids.AddAll({"standard=1", "deviant=2", "response=5"});
    ecEventList list;
    list.SetSamplingRate(500.0f);
    double estimate = -1.0;
    try {
        ecMneEvents::ReadText(text, "fuzz.eve", options, list, &estimate);
    } catch (const ecFormatError&) {
        return 0;
    }
    FUZZ_CHECK(estimate == estimate, "the estimated rate is a number");

    std::string written;
    try {
        written = ecMneEvents::WriteText(list, options, "out.eve");
    } catch (const ecFormatError&) {
        return 0;
    }
    ecEventList back;
    back.SetSamplingRate(500.0f);
    try {
        ecMneEvents::ReadText(written, "out.eve", options, back);
    } catch (const ecFormatError& e) {
        FUZZ_CHECK(false, e.what());
    }
    FUZZ_CHECK(back.size() == list.size(), "a written .eve file keeps its events");
    std::vector<ecEvent> sorted(list.begin(), list.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ecEvent& a, const ecEvent& b) { return a.m_iStart < b.m_iStart; });
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        FUZZ_CHECK(back[i].m_sName == sorted[i].m_sName, "a written .eve file keeps the names");
        FUZZ_CHECK(back[i].m_iStart == sorted[i].m_iStart && back[i].m_iStop == sorted[i].m_iStart,
                   "a written .eve file keeps the samples");
    }
    return 0;
}
