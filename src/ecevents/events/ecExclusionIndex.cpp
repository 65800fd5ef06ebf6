#include "ecevents/events/ecExclusionIndex.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "ecevents/events/ecEvent.h"
#include "ecevents/events/ecEventList.h"

void ecExclusionIndex::Clear()
{
    m_bBuilt = false;
    m_bReversed = false;
    m_iHint = 0;
    m_vBoundaries.clear();
    m_vUnion.clear();
    m_vStarts.clear();
    m_vSuffixMinStop.clear();
}

void ecExclusionIndex::Build(const ecEventList& events, bool acceptedOnly)
{
    Clear();
    std::vector<std::pair<int, int>> intervals;
    for (const ecEvent& e : events) {
        if (acceptedOnly && !e.IsAccepted())
            continue;
        if (e.IsSegmentBoundary())
            m_vBoundaries.push_back(e.m_iStart);
        else if (e.ExclusionLevel() >= 0)
            intervals.emplace_back(e.m_iStart, e.m_iStop);
    }
    std::sort(m_vBoundaries.begin(), m_vBoundaries.end());
    std::sort(intervals.begin(), intervals.end());

    // An interval inside the query: some exclusion with start >= the
    // query's start whose stop is <= the query's stop (this form also
    // covers exclusions stored with start > stop).
    m_vStarts.reserve(intervals.size());
    m_vSuffixMinStop.resize(intervals.size());
    for (const auto& iv : intervals)
        m_vStarts.push_back(iv.first);
    int least = INT_MAX;
    for (std::size_t k = intervals.size(); k-- > 0;) {
        least = std::min(least, intervals[k].second);
        m_vSuffixMinStop[k] = least;
    }

    // A query end inside an exclusion: the union of the proper intervals.
    for (const auto& iv : intervals) {
        if (iv.first > iv.second) {
            m_bReversed = true;
            continue;
        }
        if (!m_vUnion.empty() && iv.first <= m_vUnion.back().second)
            m_vUnion.back().second = std::max(m_vUnion.back().second, iv.second);
        else
            m_vUnion.push_back(iv);
    }
    m_bBuilt = true;
}

bool ecExclusionIndex::IsEmpty() const
{
    return m_vBoundaries.empty() && m_vStarts.empty();
}

bool ecExclusionIndex::Overlaps(int start, int stop) const
{
    // A segment boundary counts when it falls after the first sample and at
    // or before the last.
    if (!m_vBoundaries.empty()) {
        auto b = std::upper_bound(m_vBoundaries.begin(), m_vBoundaries.end(), start);
        if (b != m_vBoundaries.end() && *b <= stop)
            return true;
    }
    if (m_vStarts.empty())
        return false;
    if (start <= stop && !m_bReversed) {
        // Proper intervals on both sides: overlapping means intersecting,
        // that is the first merged interval that ends at or after the
        // start begins at or before the stop.
        const std::size_t k = FirstEndingAtOrAfter(start);
        return k < m_vUnion.size() && m_vUnion[k].first <= stop;
    }
    auto inUnion = [this](int sample) {
        auto it = std::upper_bound(m_vUnion.begin(), m_vUnion.end(), std::make_pair(sample, INT_MAX));
        return it != m_vUnion.begin() && sample <= std::prev(it)->second;
    };
    if (inUnion(start) || inUnion(stop))
        return true;
    auto s = std::lower_bound(m_vStarts.begin(), m_vStarts.end(), start);
    return s != m_vStarts.end() && m_vSuffixMinStop[static_cast<std::size_t>(s - m_vStarts.begin())] <= stop;
}

std::size_t ecExclusionIndex::FirstEndingAtOrAfter(int sample) const
{
    // The merged intervals are disjoint, so their ends rise with their
    // starts. Events usually come in time order, so the search gallops out
    // from where the previous one ended.
    const std::size_t size = m_vUnion.size();
    auto endsBefore = [this](std::size_t k, int value) { return m_vUnion[k].second < value; };
    std::size_t lo = 0;
    std::size_t hi = size;
    std::size_t hint = m_iHint < size ? m_iHint : size;
    if (hint < size && endsBefore(hint, sample)) {
        std::size_t step = 1;
        lo = hint + 1;
        while (lo + step - 1 < size && endsBefore(lo + step - 1, sample)) {
            lo += step;
            step *= 2;
        }
        hi = std::min(size, lo + step - 1);
    } else {
        std::size_t step = 1;
        hi = hint;
        while (hi >= step && !endsBefore(hi - step, sample)) {
            hi -= step;
            step *= 2;
        }
        lo = hi >= step ? hi - step + 1 : 0;
    }
    // Now every index below lo ends before the sample and hi does not (or
    // is the size): an ordinary binary search finishes.
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (endsBefore(mid, sample))
            lo = mid + 1;
        else
            hi = mid;
    }
    m_iHint = lo;
    return lo;
}

bool ecExclusionIndex::Overlaps(float start, float stop, float rate) const
{
    return Overlaps(ecEventList::SecondsToSampleSinglePrecision(start, rate),
                    ecEventList::SecondsToSampleSinglePrecision(stop, rate));
}
