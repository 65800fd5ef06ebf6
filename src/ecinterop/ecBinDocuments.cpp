#include "ecinterop/ecBinDocuments.h"

#include <exception>
#include <sstream>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResultList.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecinterop/ecFormatError.h"
#include "ecutil/ecXml.h"

namespace {

// The numbers of a bin-results document that do not fit: its epochs and
// sequences read once over an empty event list. A sequence that fails on
// no events stops the check there; the run over the recordings reports it.
void CheckBinResults(const std::string& text, std::vector<ecReadDiagnostic>& found)
{
    ecEventList none;
    none.SetSamplingRate(1000.0f);
    ecBinResultList results;
    results.SetpEvents(&none);
    ecXml xml;
    xml.SetText(text);
    xml.SetDiagnostics(&found);
    try {
        results.ReadXml(xml);
    } catch (const std::exception&) {
        // What stopped the read is what the caller reports; the records
        // gathered up to it are what this is for.
    }
}

[[noreturn]] void Rethrow(const std::string& path)
{
    try {
        throw;
    } catch (const ecFormatError&) {
        throw;
    } catch (const std::exception& e) {
        throw ecFormatError(path, e.what());
    } catch (...) {
        throw ecFormatError(path, "unexpected failure");
    }
}

} // namespace

bool ecBinDocuments::HasElement(const std::string& text, const std::string& tag)
{
    ecXml xml;
    xml.SetText(text);
    return !xml.Sub(tag).IsEmpty();
}

std::string ecBinDocuments::Compile(const std::string& binListText, const std::string& path,
                                    std::vector<ecReadDiagnostic>& found)
{
    try {
        ecXml xml;
        xml.SetText(binListText);
        xml.SetDiagnostics(&found);
        ecBinList bins;
        bins.ReadXml(xml);
        std::ostringstream out;
        bins.WriteXmlBinResults(out);
        return out.str();
    } catch (...) {
        Rethrow(path);
    }
}

std::string ecBinDocuments::BinResultsText(const std::string& text, const std::string& path, Kind* kind,
                                           std::vector<ecReadDiagnostic>& found)
{
    if (HasElement(text, "bin_list")) {
        if (kind)
            *kind = BinList;
        return Compile(text, path, found);
    }
    if (HasElement(text, "bin_results")) {
        if (kind)
            *kind = BinResults;
        CheckBinResults(text, found);
        return text;
    }
    throw ecFormatError(path, "not a bin list or bin-results document (no <bin_list> or <bin_results> element)");
}

void ecBinDocuments::ReadBinDesc(const std::string& text, const std::string& path, ecPar_BinDesc& desc,
                                 std::vector<ecReadDiagnostic>* found)
{
    if (!HasElement(text, "bin_desc"))
        throw ecFormatError(path, "not a bin description (no <bin_desc> element)");
    try {
        ecXml xml;
        xml.SetText(text);
        xml.SetDiagnostics(found);
        desc.ReadXml(xml, false);
    } catch (...) {
        Rethrow(path);
    }
}
