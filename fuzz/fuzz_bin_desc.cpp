// The bin description document: read from its file, written, read back and
// written again, then matched against a small recording.
#include <algorithm>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecPar_BinDesc.h"

namespace {

std::string Text(ecPar_BinDesc& desc)
{
    std::ostringstream out;
    desc.WriteXml(out);
    return out.str();
}

// Markup inside the texts of a document (other than its elements) does not
// survive a write: the library writes texts unescaped. Nor does a bin_specs
// section holding the document's own elements: it is written back verbatim,
// and the reader finds elements at any depth.
bool PlainDocument(const std::string& doc, ecPar_BinDesc& desc)
{
    if (!fuzz::OnlyPlainTags(doc))
        return false;
    const std::string section = desc.GetpBinSpecsSection()->GetText();
    for (const char* tag : {"<attrib_spec", "<UniqueEvents", "<UE", "<bin_desc", "<bin_specs", "</bin_specs"})
        if (section.find(tag) != std::string::npos)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string input = fuzz::ScratchPath("input.xml");
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz::WriteFile(input, text);

    ecPar_BinDesc desc;
    std::string first;
    try {
        desc.Read(input);
        first = Text(desc);
    } catch (const ecError&) {
        return 0;
    }

    ecPar_BinDesc back;
    std::string second;
    bool readBack = true;
    try {
        ecXml xml;
        xml.SetText(first);
        back.ReadXml(xml, false);
        second = Text(back);
    } catch (const ecError&) {
        readBack = false;
    }
    if (PlainDocument(text, desc)) {
        FUZZ_CHECK(readBack, "a written bin description reads back");
        FUZZ_CHECK(second == first, "a bin description written, read and written again is unchanged");
    }

    ecEventList list = fuzz::SmallRecording(false);
    const std::size_t events = list.size();
    try {
        list.SetBinDescAttributes(desc);
    } catch (const ecError&) {
        return 0;
    }
    FUZZ_CHECK(list.size() == events, "matching keeps the events");
    const std::vector<std::string> tags = desc.GetUniqueFactorValueTags();
    for (const ecEvent& e : list)
        for (const std::string& t : e.m_vTags)
            FUZZ_CHECK(std::find(tags.begin(), tags.end(), t) != tags.end(), "matching attaches only the description's tags");
    return 0;
}
