#include "ecevents/events/ecEventList.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ecevents/foundation/ecError.h"
#include "ecutil/ecRandom.h"

namespace {

// The bit value of a bit event (a point event whose name reads, as atoi
// reads it, as a bit number from 1 to nBits), or 0 for any other event.
// Bit numbers beyond 32 do not fit the 32-bit name value, so they are not
// bit events.
long long BitValue(const ecEvent& e, int nBits)
{
    if (e.m_iStart != e.m_iStop)
        return 0;
    const long code = std::strtol(e.m_sName.c_str(), nullptr, 10);
    if (code < 1 || code > nBits || code > 31)
        return 0;
    return 1LL << (code - 1);
}

void Dim(ecEvent& e)
{
    e.SetStatusOff();
    e.m_nColor = e.ScaleColorIntensity(0.5f);
}

// Events whose name is one of names, as a set for linear walks.
class NameFilter {
public:
    explicit NameFilter(const std::vector<std::string>& names) : m_names(names.begin(), names.end()) {}
    bool operator()(const ecEvent& e) const { return m_names.count(e.m_sName) != 0; }

private:
    std::unordered_set<std::string> m_names;
};

} // namespace

void ecEventList::ConvertCodesToBinary(int nBits)
{
    // Every bit event merges into the first bit event at its sample, which
    // is renamed by the sum of their values. Grouping by sample gives that
    // result in one pass instead of a scan per event.
    struct Group {
        size_type first;
        long long sum;
    };
    std::unordered_map<int, Group> groups;
    std::vector<char> merged(size(), 0);
    for (size_type i = 0; i < size(); ++i) {
        const long long value = BitValue((*this)[i], nBits);
        if (value == 0)
            continue;
        const auto found = groups.try_emplace((*this)[i].m_iStart, Group{i, value});
        if (!found.second) {
            found.first->second.sum += value;
            merged[i] = 1;
        }
    }

    std::vector<ecEvent> result;
    result.reserve(size());
    for (size_type i = 0; i < size(); ++i) {
        if (merged[i])
            continue;
        ecEvent& e = (*this)[i];
        const auto group = groups.find(e.m_iStart);
        if (group != groups.end() && group->second.first == i)
            e.m_sName = std::to_string(group->second.sum);
        result.push_back(std::move(e));
    }
    std::vector<ecEvent>::swap(result);
    RebuildUniqueEventNames();
    m_iCurrentEventIndex = -1;
    if (!groups.empty())
        SetDirty(true);
}

void ecEventList::KeepMod(std::vector<std::string> names, int keep, int mod)
{
    if (names.empty() || mod == 1)
        return;
    if (mod < 1 || keep < 0 || keep >= mod)
        throw ecError("[ecEventList::KeepMod] Invalid arguments");
    const NameFilter matches(names);
    long long k = 0;
    for (ecEvent& e : *this) {
        if (!matches(e))
            continue;
        if (k % mod == keep)
            e.SetStatusOn();
        else
            Dim(e);
        ++k;
    }
}

void ecEventList::SplitHalfRandom(std::vector<std::string> names, ecEventList& other)
{
    const NameFilter matches(names);
    const int nMatch = static_cast<int>(std::count_if(begin(), end(), matches));
    if (nMatch == 0)
        throw ecError("[ecEventList::SplitHalfRandom] No events match naming criteria");
    if (&other == this)
        return; // both halves in one list: nothing can be split
    other.std::vector<ecEvent>::clear();
    other = *this;

    const int half = nMatch / 2;
    std::vector<char> chosen(static_cast<size_type>(nMatch), 0);
    ecRandom random;
    random.Initialize();
    for (int count = 0; count < half;) {
        const int rank = random.IntegerRange(0, nMatch - 1);
        if (!chosen[static_cast<size_type>(rank)]) {
            chosen[static_cast<size_type>(rank)] = 1;
            ++count;
        }
    }

    size_type k = 0;
    for (size_type i = 0; i < size(); ++i) {
        ecEvent& mine = (*this)[i];
        if (!matches(mine))
            continue;
        ecEvent& theirs = other[i];
        if (chosen[k]) {
            mine.SetStatusOn();
            Dim(theirs);
        } else {
            theirs.SetStatusOn();
            Dim(mine);
        }
        ++k;
    }
}
