#include "ecrun/BinDescFile.h"

#include "ecrun/HostError.h"
#include "ecrun/ReadNotes.h"
#include "ecinterop/ecBinDocuments.h"
#include "ecinterop/ecTextTable.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/specs/ecMatchRecord.h"
#include "ecevents/specs/ecPar_BinDesc.h"

std::string BinDescFile::Load(const std::string& path, ReadNotes* notes)
{
    return Checked(ecTextTable::ReadFile(path), path, notes);
}

std::string BinDescFile::Checked(std::string text, const std::string& path, ReadNotes* notes)
{
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
                      const std::string& eventsPath, ecMatchRecord* record)
{
    ecPar_BinDesc desc;
    Parse(binDescText, binDescPath, desc);
    if (!(list.GetSamplingRate() > 0.0f))
        throw HostError(eventsPath, "tagging needs the sampling rate: give --rate");
    try {
        list.SetBinDescAttributes(desc, record);
    } catch (...) {
        throw HostError::FromCurrent(eventsPath, "tagging with " + binDescPath + " failed: ");
    }
}

std::vector<ecRtRequest> BinDescFile::RtRequests(const std::string& binDescText, const std::string& binDescPath,
                                                 const std::vector<std::string>& words)
{
    if (words.empty())
        return {};
    ecPar_BinDesc desc;
    Parse(binDescText, binDescPath, desc);
    std::vector<ecRtRequest> requests;
    for (const std::string& word : words) {
        const size_t colon = word.find(':');
        if (colon == 0 || colon == std::string::npos || colon + 1 == word.size())
            throw HostError("--rt " + word + ": expected FACTOR:CONDITIONAL (a tag factor and the <name> of a conditional)");
        const std::string factor = word.substr(0, colon);
        for (const ecRtRequest& r : requests)
            if (r.m_sFactor == factor)
                throw HostError("--rt " + word + ": the factor " + factor + " is given twice");
        try {
            for (const ecRtRequest& r : ecRtRequest::ForFactor(desc, factor, word.substr(colon + 1)))
                requests.push_back(r);
        } catch (...) {
            throw HostError::FromCurrent(binDescPath, "--rt " + word + ": ");
        }
    }
    return requests;
}
