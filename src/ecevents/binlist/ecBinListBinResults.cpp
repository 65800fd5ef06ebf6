// The translation of a bin list into the bin-results document that the
// event logic runs: epochs as they are, the exclusion switch as a sequence of
// its own, and one sequence per bin that selects its events and saves them
// under the bin's name.
#include "ecevents/binlist/ecBinList.h"

#include <initializer_list>
#include <ostream>

#include "ecevents/foundation/ecError.h"

namespace {

void WriteOp(std::ostream& out, const std::string& id, const std::vector<std::string>& operands = {})
{
    out << "\t\t\t<op><id>" << id << "</id>";
    for (const std::string& operand : operands)
        out << "<s>" << operand << "</s>";
    out << "</op>" << std::endl;
}

void WriteOps(std::ostream& out, std::initializer_list<const char*> ids)
{
    for (const char* id : ids)
        WriteOp(out, id);
}

// The bin list names its operators in capitals; the event logic knows only
// And, AndNot and Or. Exclusive or is built from them: with A and B fetched,
// Or leaves A|B on top, fetching both again and And leaves A&B above it, and
// AndNot then pushes (A|B) without (A&B).
void WriteLogic(std::ostream& out, const std::string& bin1, const std::string& bin2, const std::string& word)
{
    WriteOp(out, "GetBin", {bin1});
    WriteOp(out, "GetBin", {bin2});
    if (word == "AND") {
        WriteOp(out, "And");
    } else if (word == "ANDNOT") {
        WriteOp(out, "AndNot");
    } else if (word == "OR") {
        WriteOp(out, "Or");
    } else if (word == "XOR") {
        WriteOp(out, "Or");
        WriteOp(out, "GetBin", {bin1});
        WriteOp(out, "GetBin", {bin2});
        WriteOps(out, {"And", "AndNot"});
    } else {
        WriteOp(out, word);
    }
}

std::vector<std::string> Entries(int count, std::string (ecBinDescription::*get)(int), ecBinDescription& bin)
{
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.push_back((bin.*get)(i));
    return entries;
}

} // namespace

bool ecBinList::WriteXmlBinResults(std::ostream& out)
{
    out << "\t<bin_results>" << std::endl;
    for (ecEventRelatedEpoch& epoch : vEpochList) {
        out << "\t\t";
        epoch.WriteXml(out);
    }
    out << std::endl;

    out << "\t\t<bin_ops>" << std::endl;
    WriteOp(out, bExcludeON ? "SetExcludeOn" : "SetExcludeOff");
    out << "\t\t</bin_ops>" << std::endl;
    out << std::endl;

    for (ecBinDescription& bin : vBinList) {
        out << "\t\t<bin_ops>" << std::endl;
        WriteOp(out, "SetEpoch", {bin.GetEpochName()});
        const std::string caseWord = bin.GetCase();
        if (caseWord == "EvtTags")
            WriteOp(out, "Attribs", Entries(bin.GetNumEvtTags(), &ecBinDescription::GetEvtTag, bin));
        else if (caseWord == "EvtNames")
            WriteOp(out, "Names", Entries(bin.GetNumEvtNames(), &ecBinDescription::GetEvtName, bin));
        else if (caseWord == "EvtLogic")
            WriteLogic(out, bin.GetOpBin1(), bin.GetOpBin2(), bin.GetOperator());
        else
            throw ecError("[ecBinList::WriteXml] Unrecognized case " + caseWord);
        WriteOp(out, "SaveBin", {bin.GetBinName()});
        out << "\t\t</bin_ops>" << std::endl;
        out << std::endl;
    }

    out << "\t</bin_results>" << std::endl;
    return true;
}
