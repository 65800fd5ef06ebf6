#include "ecinterop/ecSegmentDraw.h"

#include <algorithm>

#include "ecevents/events/ecEventList.h"
#include "ecevents/segments/ecSegments.h"

int ecSegmentDraw::LastSample(const ecEventList& list)
{
    int last = 0;
    for (const ecEvent& e : list)
        last = std::max(last, std::max(e.m_iStart, e.m_iStop));
    return last;
}

std::vector<ecSegment> ecSegmentDraw::Draw(ecEventList& list, int first, int last) const
{
    ecSegments clean;
    clean.Initialize(list, first, last);
    if (margin > 0)
        clean.Trim(margin);
    ecSegments pieces;
    if (seeded)
        pieces.SetRandomNumberSeed(seed);
    const int drawn = pieces.SelectRandom(clean, length, separation, count);
    std::vector<ecSegment> out = pieces.m_vSegments;
    out.resize(std::min(out.size(), static_cast<size_t>(std::max(drawn, 0))));
    return out;
}
