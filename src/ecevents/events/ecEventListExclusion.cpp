#include "ecevents/events/ecEventList.h"

#include <cmath>
#include <limits>

#include "ecevents/events/ecExclusionIndex.h"
#include "ecevents/foundation/ecError.h"

int ecEventList::SecondsToSampleSinglePrecision(float seconds, float rate)
{
    const float product = seconds * rate;
    const double sample = std::trunc(static_cast<double>(product) + 0.5);
    if (std::isnan(sample))
        return 0;
    if (sample <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (sample >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return static_cast<int>(sample);
}

long long ecEventList::SecondsToSampleExact(float seconds, float rate)
{
    const double limit = 9007199254740992.0; // 2^53
    const double product = static_cast<double>(seconds) * static_cast<double>(rate);
    if (std::isnan(product))
        return 0;
    if (product <= -limit)
        return -static_cast<long long>(limit);
    if (product >= limit)
        return static_cast<long long>(limit);
    return std::llround(product);
}

int ecEventList::ClampToSample(long long sample)
{
    if (sample < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    if (sample > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<int>(sample);
}

bool ecEventList::AddExclude(ecEvent& e)
{
    for (ecEvent& stored : *this) {
        if (stored.ExclusionLevelNameOnly() < 0)
            continue;
        if (e.m_iStart <= stored.m_iStop && stored.m_iStart <= e.m_iStop) {
            if (e.m_iStart < stored.m_iStart)
                stored.m_iStart = e.m_iStart;
            if (e.m_iStop > stored.m_iStop)
                stored.m_iStop = e.m_iStop;
            return false;
        }
    }
    AppendOneEvent(e);
    return true;
}

void ecEventList::ClearExclude(int level)
{
    std::vector<char> remove(size(), 0);
    for (size_type i = 0; i < size(); ++i)
        remove[i] = (*this)[i].ExclusionLevel() >= level;
    if (RemoveFlaggedEvents(remove))
        SetDirty(true);
}

int ecEventList::MaxExcludeLevel()
{
    int maxLevel = 0;
    for (const ecEvent& e : *this) {
        const int level = e.ExclusionLevel();
        if (level > maxLevel)
            maxLevel = level;
    }
    return maxLevel;
}

bool ecEventList::IsOverlappingExclude(int start, int stop, bool acceptedOnly)
{
    ecExclusionIndex index;
    index.Build(*this, acceptedOnly);
    return index.Overlaps(start, stop);
}

bool ecEventList::IsOverlappingExclude(float start, float stop, bool acceptedOnly)
{
    const float rate = m_fSamplingRate;
    if (!(rate > 0.0f) || std::isinf(rate))
        throw ecError("[ecEventList::IsOverlappingExclude] Technical error (invalid sampling rate)");
    ecExclusionIndex index;
    index.Build(*this, acceptedOnly);
    if (m_bExactTime)
        return index.Overlaps(ClampToSample(SecondsToSampleExact(start, rate)),
                              ClampToSample(SecondsToSampleExact(stop, rate)));
    return index.Overlaps(start, stop, rate);
}

bool ecEventList::NearestExcludeBoundaries(int sample, int& first, int& second)
{
    bool havePrevious = false;
    bool haveNext = false;
    int previousStop = -1;
    int nextStart = -1;
    for (const ecEvent& e : *this) {
        if (e.ExclusionLevel() < 0)
            continue;
        if (e.m_iStart <= sample && sample <= e.m_iStop) {
            first = e.m_iStart;
            second = e.m_iStop;
            return true;
        }
        if (e.m_iStop < sample && (!havePrevious || previousStop < 0 || e.m_iStop > previousStop)) {
            previousStop = e.m_iStop;
            havePrevious = true;
        }
        if (e.m_iStart > sample && (!haveNext || nextStart < 0 || e.m_iStart < nextStart)) {
            nextStart = e.m_iStart;
            haveNext = true;
        }
    }
    first = nextStart;
    second = previousStop;
    return false;
}

bool ecEventList::IsSegment(std::string name)
{
    for (const ecEvent& e : *this) {
        if (e.m_sName == name)
            return e.m_iStart != e.m_iStop;
    }
    return true;
}
