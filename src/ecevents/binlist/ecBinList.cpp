#include "ecevents/binlist/ecBinList.h"

#include <algorithm>
#include <ostream>
#include <set>
#include <unordered_map>

#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

namespace {

bool InRange(int i, std::size_t count)
{
    return i >= 0 && static_cast<std::size_t>(i) < count;
}

template <class T, class Match>
bool EraseFirst(std::vector<T>& list, Match match)
{
    auto it = std::find_if(list.begin(), list.end(), match);
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

// Replaces the entries by those of one wrapper element. One working record on
// purpose: a field that an entry leaves out keeps the value of the entry
// before it.
template <class T>
void ReadEntries(ecXml& xml, const char* wrapper, std::vector<T>& entries)
{
    entries.clear();
    ecXml sub = xml.Sub(wrapper);
    if (!sub.IsEmpty()) {
        T entry;
        while (entry.ReadXml(sub))
            entries.push_back(entry);
    }
    sub.Free();
}

} // namespace

ecBinList::ecBinList() : iCurrentSelectedBin(-1), iCurrentSelectedEpoch(-1), bExcludeON(true) {}

ecBinList::~ecBinList() = default;

void ecBinList::ClearAll()
{
    sName.clear();
    vBinList.clear();
    vEpochList.clear();
    iCurrentSelectedBin = -1;
    iCurrentSelectedEpoch = -1;
}

int ecBinList::GetNumBins() { return static_cast<int>(vBinList.size()); }
int ecBinList::GetNumEpochs() { return static_cast<int>(vEpochList.size()); }
int ecBinList::GetEpochCount() { return GetNumEpochs(); }

bool ecBinList::BinNameExists(std::string name)
{
    if (name.empty())
        return true;
    for (ecBinDescription& bin : vBinList)
        if (bin.GetBinName() == name)
            return true;
    return false;
}

bool ecBinList::BinNameInUse(std::string name)
{
    for (ecBinDescription& bin : vBinList)
        if (bin.GetCase() == "EvtLogic" && (bin.GetOpBin1() == name || bin.GetOpBin2() == name))
            return true;
    return false;
}

bool ecBinList::AddOneBin(ecBinDescription bin)
{
    if (BinNameExists(bin.GetBinName()))
        return false;
    vBinList.push_back(std::move(bin));
    return true;
}

bool ecBinList::DelOneBin(std::string name)
{
    return !BinNameInUse(name)
        && EraseFirst(vBinList, [&](ecBinDescription& bin) { return bin.GetBinName() == name; });
}

bool ecBinList::EpochNameExists(std::string name)
{
    return name.empty() || FindEpoch(name) != nullptr;
}

bool ecBinList::EpochNameInUse(std::string name)
{
    for (ecBinDescription& bin : vBinList)
        if (bin.GetEpochName() == name)
            return true;
    return false;
}

bool ecBinList::AddOneEpoch(ecEventRelatedEpoch epoch)
{
    if (EpochNameExists(epoch.sID))
        return false;
    vEpochList.push_back(std::move(epoch));
    return true;
}

bool ecBinList::DelOneEpoch(std::string name)
{
    return !EpochNameInUse(name)
        && EraseFirst(vEpochList, [&](const ecEventRelatedEpoch& epoch) { return epoch.sID == name; });
}

void ecBinList::SetEpoch(ecEventRelatedEpoch epoch)
{
    for (ecEventRelatedEpoch& existing : vEpochList) {
        if (existing.sID == epoch.sID) {
            existing = epoch;
            return;
        }
    }
    AddOneEpoch(std::move(epoch));
}

void ecBinList::SetCurSelBin(int i) { iCurrentSelectedBin = i; }
int ecBinList::GetCurSelBin() { return iCurrentSelectedBin; }
void ecBinList::SetCurSelEpoch(int i) { iCurrentSelectedEpoch = i; }
int ecBinList::GetCurSelEpoch() { return iCurrentSelectedEpoch; }

std::string ecBinList::GetBinName(int i)
{
    return InRange(i, vBinList.size()) ? vBinList[static_cast<std::size_t>(i)].GetBinName() : std::string();
}

std::string ecBinList::GetEpochName(int i)
{
    return InRange(i, vEpochList.size()) ? vEpochList[static_cast<std::size_t>(i)].sID : std::string();
}

std::string ecBinList::GetCurSelBinName() { return GetBinName(iCurrentSelectedBin); }
std::string ecBinList::GetCurSelEpochName() { return GetEpochName(iCurrentSelectedEpoch); }

ecBinDescription ecBinList::GetBin(int i)
{
    if (!InRange(i, vBinList.size()))
        throw ecError("[ecBinList::GetBin]: Index is out of range.");
    return vBinList[static_cast<std::size_t>(i)];
}

ecEventRelatedEpoch ecBinList::GetEpoch(int i)
{
    if (!InRange(i, vEpochList.size()))
        throw ecError("[ecBinList::GetBin]: Index is out of range.");
    return vEpochList[static_cast<std::size_t>(i)];
}

ecEventRelatedEpoch ecBinList::GetEpoch(std::string name)
{
    const ecEventRelatedEpoch* epoch = FindEpoch(name);
    if (epoch == nullptr)
        throw ecError("[ecBinList::GetEpoch] " + name + " not found in list of epoch specifications");
    return *epoch;
}

ecEventRelatedEpoch ecBinList::GetEpochForBin(int i)
{
    if (!InRange(i, vBinList.size()))
        throw ecError("[ecBinList::GetEpochForBin] Technical error (bin index out of range)");
    return GetEpoch(vBinList[static_cast<std::size_t>(i)].GetEpochName());
}

const ecEventRelatedEpoch* ecBinList::FindEpoch(const std::string& name) const
{
    for (const ecEventRelatedEpoch& epoch : vEpochList)
        if (epoch.sID == name)
            return &epoch;
    return nullptr;
}

std::string ecBinList::Validate()
{
    if (vBinList.empty())
        return "No bins have been specified";
    if (!InRange(iCurrentSelectedBin, vBinList.size()))
        iCurrentSelectedBin = 0;
    if (vEpochList.empty())
        throw ecError("[ecBinList::Validate] No epoch specifications are available");
    if (!InRange(iCurrentSelectedEpoch, vEpochList.size()))
        iCurrentSelectedEpoch = 0;

    std::set<std::string> epochNames;
    for (const ecEventRelatedEpoch& epoch : vEpochList)
        epochNames.insert(epoch.sID);
    for (ecBinDescription& bin : vBinList)
        if (epochNames.count(bin.GetEpochName()) == 0)
            throw ecError("[ecBinList::Validate] No epoch found with ID = " + bin.GetEpochName());

    MakeBinNamesUnique();
    return "";
}

// One pass gives the later namesakes of each bin, in list order, the suffixes
// _1, _2, ...; a new name may collide with another bin, so passes repeat until
// nothing changes. The positions holding each name are kept in ascending
// order, which finds the same namesakes as comparing every pair of bins
// without the quadratic cost.
void ecBinList::MakeBinNamesUnique()
{
    const std::size_t count = vBinList.size();
    std::vector<std::string> names(count);
    std::unordered_map<std::string, std::vector<std::size_t>> positions;
    positions.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        names[i] = vBinList[i].GetBinName();
        positions[names[i]].push_back(i);
    }

    bool changed = true;
    while (changed) {
        changed = false;
        for (std::size_t i = 0; i + 1 < count; ++i) {
            std::vector<std::size_t>& same = positions[names[i]];
            const auto later = std::upper_bound(same.begin(), same.end(), i);
            if (later == same.end())
                continue;
            // Every later namesake is renamed, so the list keeps only the
            // positions up to i.
            std::vector<std::size_t> renamed(later, same.end());
            same.erase(later, same.end());
            int k = 1;
            for (std::size_t j : renamed) {
                names[j] = names[i] + "_" + std::to_string(k++);
                std::vector<std::size_t>& target = positions[names[j]];
                target.insert(std::upper_bound(target.begin(), target.end(), j), j);
            }
            changed = true;
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        if (vBinList[i].GetBinName() != names[i])
            vBinList[i].SetBinName(names[i]);
}

bool ecBinList::ReadXml(ecXml& xml)
{
    ecXml list = xml.Sub("bin_list");
    if (list.IsEmpty())
        throw ecError("[ecBinList::ReadXml] <bin_list> section not found");

    bExcludeON = list.GetBool("bExcludeON");
    iCurrentSelectedBin = list.GetInt("iCurrentSelectedBin");
    iCurrentSelectedEpoch = list.GetInt("iCurrentSelectedEpoch");
    sName = list.CharacterData("sName");

    ReadEntries(list, "vBinList", vBinList);
    ReadEntries(list, "vEpochList", vEpochList);

    Validate();
    list.Free();
    return true;
}

bool ecBinList::WriteXml(std::ostream& out)
{
    Validate();
    out << "<bin_list>" << std::endl;
    out << "\t<bExcludeON>" << (bExcludeON ? 1 : 0) << "</bExcludeON>" << std::endl;
    out << "\t<iCurrentSelectedBin>" << iCurrentSelectedBin << "</iCurrentSelectedBin>" << std::endl;
    out << "\t<iCurrentSelectedEpoch>" << iCurrentSelectedEpoch << "</iCurrentSelectedEpoch>" << std::endl;
    out << "\t<sName>" << sName << "</sName>" << std::endl;
    out << "\t<vBinList>" << std::endl;
    for (ecBinDescription& bin : vBinList)
        bin.WriteXml(out);
    out << "\t</vBinList>" << std::endl;
    out << "\t<vEpochList>" << std::endl;
    for (ecEventRelatedEpoch& epoch : vEpochList)
        epoch.WriteXml(out);
    out << "\t</vEpochList>" << std::endl;
    out << "</bin_list>" << std::endl;
    out << std::endl;
    return true;
}
