#include "ecbin/BinsFile.h"

#include <sstream>

#include "ecbin/HostError.h"
#include "ecbin/TextTable.h"
#include "ecevents/binlist/ecBinList.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

namespace {

bool HasElement(const std::string& text, const std::string& tag)
{
    ecXml xml;
    xml.SetText(text);
    ecXml sub = xml.Sub(tag);
    return !sub.IsEmpty();
}

} // namespace

std::string BinsFile::Compile(const std::string& binListText, const std::string& path)
{
    try {
        ecXml xml;
        xml.SetText(binListText);
        ecBinList bins;
        bins.ReadXml(xml);
        std::ostringstream out;
        bins.WriteXmlBinResults(out);
        return out.str();
    } catch (const ecError& e) {
        throw HostError(path, e.what());
    } catch (const std::exception& e) {
        throw HostError(path, e.what());
    }
}

std::string BinsFile::FromText(const std::string& text, const std::string& path, Kind* kind)
{
    if (HasElement(text, "bin_list")) {
        if (kind)
            *kind = BinList;
        return Compile(text, path);
    }
    if (HasElement(text, "bin_results")) {
        if (kind)
            *kind = BinResults;
        return text;
    }
    throw HostError(path, "not a bin list or bin-results document (no <bin_list> or <bin_results> element)");
}

std::string BinsFile::Load(const std::string& path, Kind* kind)
{
    return FromText(TextTable::ReadFile(path), path, kind);
}

void BinsFile::Count(const std::string& binResultsText, int& epochs, int& sequences)
{
    ecXml xml;
    xml.SetText(binResultsText);
    ecXml root = xml.Sub("bin_results");
    epochs = sequences = 0;
    for (ecXml e = root.Sub("epoch"); !e.IsEmpty(); e = root.Sub("epoch"))
        ++epochs;
    for (ecXml s = root.Sub("bin_ops"); !s.IsEmpty(); s = root.Sub("bin_ops"))
        ++sequences;
}
