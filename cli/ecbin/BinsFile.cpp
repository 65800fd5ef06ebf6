#include "ecbin/BinsFile.h"

#include <sstream>
#include <vector>

#include "ecbin/HostError.h"
#include "ecbin/ReadNotes.h"
#include "ecbin/XmlPlace.h"
#include "ecinterop/ecTextTable.h"
#include "ecevents/binlist/ecBinList.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResultList.h"
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

// The numbers of a bin-results document that do not fit: its epochs and
// sequences read once over a list of one event. A sequence that fails on
// so few events stops the check there; the run over the recordings reports
// it.
std::vector<ecReadDiagnostic> CheckBinResults(const std::string& text, std::string& stopped)
{
    std::vector<ecReadDiagnostic> found;
    // One unnamed event: a selection over no events cannot be made at all,
    // which would stop the check at the first operator.
    ecEventList none;
    none.SetSamplingRate(1000.0f);
    ecEvent one;
    none.AppendOneEvent(one);
    ecBinResultList results;
    results.SetpEvents(&none);
    ecXml xml;
    xml.SetText(text);
    xml.SetDiagnostics(&found);
    try {
        results.ReadXml(xml);
    } catch (const std::exception& e) {
        // What stopped the read is reported by the run over the recordings
        // unless it names a place in the document; the records gathered up
        // to it are what this is for.
        stopped = e.what();
    }
    return found;
}

ReadNotes& Or(ReadNotes* notes, ReadNotes& strict)
{
    return notes ? *notes : strict;
}

} // namespace

std::string BinsFile::Compile(const std::string& binListText, const std::string& path, ReadNotes* notes)
{
    std::vector<ecReadDiagnostic> found;
    std::string compiled;
    try {
        ecXml xml;
        xml.SetText(binListText);
        xml.SetDiagnostics(&found);
        ecBinList bins;
        bins.ReadXml(xml);
        std::ostringstream out;
        bins.WriteXmlBinResults(out);
        compiled = out.str();
    } catch (const std::exception& e) {
        throw HostError::FromCurrent(XmlPlace::Of(path, binListText, e.what()));
    } catch (...) {
        throw HostError::FromCurrent(path);
    }
    ReadNotes strict;
    Or(notes, strict).Settle(path, found);
    return compiled;
}

std::string BinsFile::FromText(const std::string& text, const std::string& path, Kind* kind, ReadNotes* notes)
{
    if (HasElement(text, "bin_list")) {
        if (kind)
            *kind = BinList;
        return Compile(text, path, notes);
    }
    if (HasElement(text, "bin_results")) {
        if (kind)
            *kind = BinResults;
        ReadNotes strict;
        std::string stopped;
        Or(notes, strict).Settle(path, CheckBinResults(text, stopped));
        const std::string place = XmlPlace::Of(path, text, stopped);
        if (place != path)
            throw HostError(place, stopped);
        return text;
    }
    throw HostError(path, "not a bin list or bin-results document (no <bin_list> or <bin_results> element)");
}

std::string BinsFile::Load(const std::string& path, Kind* kind, ReadNotes* notes)
{
    return FromText(ecTextTable::ReadFile(path), path, kind, notes);
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
