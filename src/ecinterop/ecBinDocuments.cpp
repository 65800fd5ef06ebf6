#include "ecinterop/ecBinDocuments.h"

#include <exception>
#include <sstream>

#include "ecevents/binlist/ecBinList.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResultList.h"
#include "ecevents/specs/ecPar_BinDesc.h"
#include "ecinterop/ecFormatError.h"
#include "ecinterop/ecXmlPlace.h"
#include "ecutil/ecXml.h"

namespace {

// The numbers of a bin-results document that do not fit: its epochs and
// sequences read once over a list of one event (a selection over no events
// cannot be made at all, which would stop the check at the first operator).
// A sequence that fails on so few events stops the check there; the run over
// the recordings reports it, unless the failure names a place in the
// document, which no recording can change.
void CheckBinResults(const std::string& text, const std::string& path, std::vector<ecReadDiagnostic>& found)
{
    ecEventList one;
    one.SetSamplingRate(1000.0f);
    one.AppendOneEvent(ecEvent());
    ecBinResultList results;
    results.SetpEvents(&one);
    ecXml xml;
    xml.SetText(text);
    xml.SetDiagnostics(&found);
    std::string stopped;
    try {
        results.ReadXml(xml);
    } catch (const std::exception& e) {
        stopped = e.what();
    }
    const std::string place = ecXmlPlace::Of(path, text, stopped);
    if (place != path)
        throw ecFormatError(place, stopped);
}

// Library messages name a value of the document; the error points at its
// line and column where the text holds it.
[[noreturn]] void Rethrow(const std::string& path, const std::string& text)
{
    try {
        throw;
    } catch (const ecFormatError&) {
        throw;
    } catch (const std::exception& e) {
        throw ecFormatError(ecXmlPlace::Of(path, text, e.what()), e.what());
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
        Rethrow(path, binListText);
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
        CheckBinResults(text, path, found);
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
        Rethrow(path, text);
    }
}
