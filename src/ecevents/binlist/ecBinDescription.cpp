#include "ecevents/binlist/ecBinDescription.h"

#include <ostream>

#include "ecevents/foundation/ecError.h"
#include "ecutil/ecStrings.h"
#include "ecutil/ecXml.h"

namespace {

std::string EntryAt(const std::vector<std::string>& list, int i)
{
    if (i < 0 || static_cast<std::size_t>(i) >= list.size())
        return "";
    return list[static_cast<std::size_t>(i)];
}

// One half of a factor:value tag; "" unless the tag splits into exactly two.
std::string TagField(std::string tag, std::size_t which)
{
    if (tag.empty())
        return "";
    std::vector<std::string> fields;
    SplitFields(tag, fields, ":");
    return fields.size() == 2 ? fields[which] : std::string();
}

// Fills a list from the repeated text children of one wrapper element; the
// first empty child ends it.
void ReadList(ecXml& xml, const char* wrapper, const char* item, std::vector<std::string>& list)
{
    list.clear();
    ecXml sub = xml.Sub(wrapper);
    if (!sub.IsEmpty()) {
        for (std::string text = sub.CharacterDataNext(item); !text.empty(); text = sub.CharacterDataNext(item))
            list.push_back(text);
    }
    sub.Free();
}

void WriteList(std::ostream& out, const char* wrapper, const char* item, const std::vector<std::string>& list)
{
    out << '<' << wrapper << '>';
    for (const std::string& entry : list)
        out << '<' << item << '>' << entry << "</" << item << '>';
    out << "</" << wrapper << '>';
}

} // namespace

ecBinDescription::ecBinDescription()
{
    ClearAll();
}

ecBinDescription::~ecBinDescription() = default;

void ecBinDescription::ClearAll()
{
    sBinName.clear();
    sEpochName.clear();
    sCase = "EvtNames";
    vEvtTags.clear();
    vEvtNames.clear();
    sBin1.clear();
    sBin2.clear();
    sOperator.clear();
}

std::string ecBinDescription::GetBinName() { return sBinName; }
std::string ecBinDescription::GetEpochName() { return sEpochName; }
std::string ecBinDescription::GetCase() { return sCase; }
std::string ecBinDescription::GetOpBin1() { return sBin1; }
std::string ecBinDescription::GetOpBin2() { return sBin2; }
std::string ecBinDescription::GetOperator() { return sOperator; }

void ecBinDescription::SetBinName(std::string name) { sBinName = std::move(name); }
void ecBinDescription::SetEpochName(std::string& name) { sEpochName = name; }
void ecBinDescription::SetCase(std::string caseWord) { sCase = std::move(caseWord); }
void ecBinDescription::SetOpBin1(std::string name) { sBin1 = std::move(name); }
void ecBinDescription::SetOpBin2(std::string name) { sBin2 = std::move(name); }
void ecBinDescription::SetOperator(std::string word) { sOperator = std::move(word); }

void ecBinDescription::AddOneTag(std::string tag) { vEvtTags.push_back(std::move(tag)); }
void ecBinDescription::AddOneName(std::string name) { vEvtNames.push_back(std::move(name)); }
int ecBinDescription::GetNumEvtTags() { return static_cast<int>(vEvtTags.size()); }
int ecBinDescription::GetNumEvtNames() { return static_cast<int>(vEvtNames.size()); }
std::string ecBinDescription::GetEvtTag(int i) { return EntryAt(vEvtTags, i); }
std::string ecBinDescription::GetEvtName(int i) { return EntryAt(vEvtNames, i); }

std::string ecBinDescription::GetFactor(int i) { return TagField(GetEvtTag(i), 0); }
std::string ecBinDescription::GetValue(int i) { return TagField(GetEvtTag(i), 1); }

bool ecBinDescription::IsValidBin()
{
    if (sBinName.empty() || sEpochName.empty())
        return false;
    if (sCase == "EvtTags")
        return !vEvtTags.empty();
    if (sCase == "EvtNames")
        return !vEvtNames.empty();
    if (sCase == "EvtLogic")
        return !sBin1.empty() && !sBin2.empty()
            && (sOperator == "AND" || sOperator == "ANDNOT" || sOperator == "OR" || sOperator == "XOR");
    return false;
}

bool ecBinDescription::ReadXml(ecXml& xml)
{
    ecXml sub = xml.Sub("bin");
    if (sub.IsEmpty()) {
        sub.Free();
        return false;
    }
    sBinName = sub.CharacterData("sBinName");
    sEpochName = sub.CharacterData("sEpochName");
    sCase = sub.CharacterData("sCase");
    if (sCase == "EvtTags") {
        ReadList(sub, "vEvtTags", "tag", vEvtTags);
    } else if (sCase == "EvtNames") {
        ReadList(sub, "vEvtNames", "name", vEvtNames);
    } else if (sCase == "EvtLogic") {
        sBin1 = sub.CharacterData("sBin1");
        sBin2 = sub.CharacterData("sBin2");
        sOperator = sub.CharacterData("sOperator");
    } else {
        throw ecError("[ecBinDescription::ReadXml] Unrecognised case = " + sCase);
    }
    sub.Free();
    return true;
}

bool ecBinDescription::WriteXml(std::ostream& out)
{
    out << "\t\t<bin><sBinName>" << sBinName << "</sBinName><sEpochName>" << sEpochName
        << "</sEpochName><sCase>" << sCase << "</sCase>";
    if (sCase == "EvtTags") {
        WriteList(out, "vEvtTags", "tag", vEvtTags);
    } else if (sCase == "EvtNames") {
        WriteList(out, "vEvtNames", "name", vEvtNames);
    } else if (sCase == "EvtLogic") {
        out << "<sBin1>" << sBin1 << "</sBin1><sBin2>" << sBin2 << "</sBin2><sOperator>" << sOperator
            << "</sOperator>";
    } else {
        throw ecError("[ecBinDescription::WriteXml] Unrecognised case = " + sCase);
    }
    out << "</bin>" << std::endl;
    return true;
}
