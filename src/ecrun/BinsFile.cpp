#include "ecrun/BinsFile.h"

#include <vector>

#include "ecrun/HostError.h"
#include "ecrun/ReadNotes.h"
#include "ecinterop/ecBinDocuments.h"
#include "ecinterop/ecTextTable.h"
#include "ecutil/ecXml.h"

namespace {

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
        compiled = ecBinDocuments::Compile(binListText, path, found);
    } catch (...) {
        throw HostError::FromCurrent(path);
    }
    ReadNotes strict;
    Or(notes, strict).Settle(path, found);
    return compiled;
}

std::string BinsFile::FromText(const std::string& text, const std::string& path, Kind* kind, ReadNotes* notes)
{
    std::vector<ecReadDiagnostic> found;
    ecBinDocuments::Kind read = ecBinDocuments::BinList;
    std::string compiled;
    try {
        compiled = ecBinDocuments::BinResultsText(text, path, &read, found);
    } catch (...) {
        throw HostError::FromCurrent(path);
    }
    if (kind)
        *kind = read == ecBinDocuments::BinList ? BinList : BinResults;
    ReadNotes strict;
    Or(notes, strict).Settle(path, found);
    return compiled;
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
