// The bin list document: read, validated, written and read back, then
// turned into a bin-results document that runs over a small recording.
#include <sstream>
#include <string>

#include "FuzzBins.h"
#include "ecevents/binlist/ecBinList.h"

namespace {

bool Write(ecBinList& list, std::string& text)
{
    std::ostringstream out;
    try {
        list.WriteXml(out);
    } catch (const ecError&) {
        return false;
    }
    text = out.str();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ecBinList list;
    try {
        ecXml xml;
        xml.SetText(text);
        list.ReadXml(xml);
        list.Validate();
    } catch (const ecError&) {
        return 0;
    }
    FUZZ_CHECK(list.GetNumBins() == 0 || (list.GetCurSelBin() >= 0 && list.GetCurSelBin() < list.GetNumBins()),
               "validation brings the selected bin into range");

    std::string first;
    if (Write(list, first) && fuzz::OnlyPlainTags(text)) {
        ecBinList back;
        std::string second;
        bool readBack = true;
        try {
            ecXml xml;
            xml.SetText(first);
            back.ReadXml(xml);
        } catch (const ecError&) {
            readBack = false;
        }
        FUZZ_CHECK(readBack, "a written bin list reads back");
        FUZZ_CHECK(Write(back, second) && second == first, "a bin list written, read and written again is unchanged");
    }

    std::ostringstream results;
    try {
        list.WriteXmlBinResults(results);
    } catch (const ecError&) {
        return 0;
    }
    fuzz::RunBins(results.str(), false);
    return 0;
}
