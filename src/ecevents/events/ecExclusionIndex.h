#pragma once
#include <cstddef>
#include <utility>
#include <vector>

class ecEventList;

// The exclusion events and segment boundaries of an event list, indexed so
// that the overlap question costs logarithmic time: does an interval of
// samples meet an exclusion interval (sharing a sample with it, either
// side's bounds in any order) or take in a segment boundary after its first
// sample? The event list's own test, the "RejectIf" operator and the
// exclusion post-step of the bin operations all ask it here.
//
// The index is a snapshot: it does not follow later changes of the list.
class ecExclusionIndex {
public:
    // Indexes the list's exclusions and boundaries; with acceptedOnly, only
    // those that are accepted.
    void Build(const ecEventList& events, bool acceptedOnly);
    void Clear();
    bool IsBuilt() const { return m_bBuilt; }
    // No exclusion and no boundary: nothing can overlap.
    bool IsEmpty() const;
    bool Overlaps(int start, int stop) const;
    // A window in seconds, each end taken to a sample by the list's own
    // single-precision rule.
    bool Overlaps(float start, float stop, float rate) const;

private:
    std::size_t FirstEndingAtOrAfter(int sample) const;

    bool m_bBuilt = false;
    bool m_bReversed = false;                  // some exclusion has start > stop
    std::vector<int> m_vBoundaries;            // starts of segment boundaries, sorted
    std::vector<std::pair<int, int>> m_vUnion; // merged intervals with start <= stop
    std::vector<int> m_vStarts;                // starts of all exclusion intervals, sorted
    std::vector<int> m_vSuffixMinStop;         // least stop among m_vStarts[k..]
    // Where the last search ended: queries mostly come in time order.
    mutable std::size_t m_iHint = 0;
};
