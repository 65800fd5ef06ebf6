#include "ecbin/BinDescFile.h"

#include "ecbin/HostError.h"
#include "ecbin/ReadNotes.h"
#include "ecinterop/ecBinDocuments.h"
#include "ecinterop/ecTextTable.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/specs/ecPar_BinDesc.h"

std::string BinDescFile::Load(const std::string& path, ReadNotes* notes)
{
    std::string text = ecTextTable::ReadFile(path);
    std::vector<ecReadDiagnostic> found;
    ecPar_BinDesc desc;
    Parse(text, path, desc, &found);
    ReadNotes strict;
    (notes ? *notes : strict).Settle(path, found);
    return text;
}

void BinDescFile::Parse(const std::string& text, const std::string& path, ecPar_BinDesc& desc,
                        std::vector<ecReadDiagnostic>* found)
{
    try {
        ecBinDocuments::ReadBinDesc(text, path, desc, found);
    } catch (...) {
        throw HostError::FromCurrent(path);
    }
}

void BinDescFile::Tag(const std::string& binDescText, const std::string& binDescPath, ecEventList& list,
                      const std::string& eventsPath)
{
    ecPar_BinDesc desc;
    Parse(binDescText, binDescPath, desc);
    if (!(list.GetSamplingRate() > 0.0f))
        throw HostError(eventsPath, "tagging needs the sampling rate: give --rate");
    try {
        list.SetBinDescAttributes(desc);
    } catch (...) {
        throw HostError::FromCurrent(eventsPath, "tagging with " + binDescPath + " failed: ");
    }
}
