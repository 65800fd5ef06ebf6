// The pre-XML event file: read as it is and through the reader that tries
// both formats, then written as a document and read back.
#include <string>

#include "FuzzSupport.h"
#include "ecevents/foundation/ecError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string input = fuzz::ScratchPath("input.evt");
    static const std::string written = fuzz::ScratchPath("written.evt");
    fuzz::WriteFile(input, std::string(reinterpret_cast<const char*>(data), size));

    ecEventList list;
    list.SetSamplingRate(500.0f);
    if (!list.ReadEventFilePreXml(input.c_str(), false))
        return 0;
    ecEventList either;
    either.SetSamplingRate(500.0f);
    FUZZ_CHECK(either.ReadEventFile(input.c_str(), false), "the reader of both formats takes a pre-XML file");
    FUZZ_CHECK(fuzz::SameList(list, either), "the reader of both formats reads a pre-XML file as it is");

    ecEventList merged = fuzz::SmallRecording(false);
    const std::size_t before = merged.size();
    FUZZ_CHECK(merged.ReadEventFilePreXml(input.c_str(), true), "a pre-XML file merges");
    FUZZ_CHECK(merged.size() >= before && merged.size() <= before + list.size(), "merging adds at most the events read");

    list.Write(written.c_str());
    ecEventList back;
    back.SetSamplingRate(500.0f);
    const bool read = back.ReadEventFile(written.c_str(), false);
    for (const ecEvent& e : list)
        if (!fuzz::PlainText(e.m_sName))
            return 0;
    FUZZ_CHECK(read && back.size() == list.size(), "a pre-XML file written as a document keeps its events");
    for (std::size_t i = 0; i < list.size(); ++i) {
        // Only the document's reader marks exclusions rejected.
        ecEvent expected = list[i];
        if (expected.ExclusionLevelNameOnly() >= 0)
            expected.SetRejectedOn();
        FUZZ_CHECK(fuzz::SameEvent(expected, back[i]), "a pre-XML file written as a document reads back equal");
    }
    return 0;
}
