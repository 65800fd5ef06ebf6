#include "ecevents/segments/ecSegments.h"

#include <algorithm>
#include <climits>
#include <set>
#include <string>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"

namespace {

const char* const kSelectRandom = "[ecSegments::SelectRandom] ";

[[noreturn]] void ThrowTechnical(const char* condition)
{
    throw ecError(std::string(kSelectRandom) + "Technical error (" + condition + ").  Contact KDX.");
}

int ClampToInt(long long value)
{
    return static_cast<int>(std::min<long long>(std::max<long long>(value, INT_MIN), INT_MAX));
}

} // namespace

ecSegments::ecSegments() : m_nMaxTries(1000)
{
    m_Random.Initialize();
}

ecSegments::ecSegments(const ecSegments& other)
    : m_vSegments(other.m_vSegments), m_nMaxTries(other.m_nMaxTries), m_Random(other.m_Random)
{
}

ecSegments& ecSegments::operator=(const ecSegments& other)
{
    if (this != &other)
        m_vSegments = other.m_vSegments;
    m_nMaxTries = other.m_nMaxTries;
    m_Random = other.m_Random;
    return *this;
}

ecSegments::~ecSegments() = default;

void ecSegments::SetRandomNumberSeed(int seed)
{
    m_Random.Initialize(seed);
}

void ecSegments::Initialize(ecEventList& events, int iFirstSample, int iLastSample)
{
    m_vSegments.clear();
    events.SortEventListInTimelyOrder("");
    if (iFirstSample > iLastSample)
        return;

    // Positions are kept wide so that an event ending at the largest sample
    // does not overflow when the position moves past it.
    long long cur = iFirstSample;
    const long long last = iLastSample;
    for (const ecEvent& e : events) {
        if (!e.IsRejected())
            continue;
        const long long start = e.GetEventStart();
        // A malformed event whose stop lies before its start still rejects
        // its start sample.
        const long long stop = std::max<long long>(start, e.GetEventStop());
        if (start > cur) {
            const long long segStop = start - 1;
            if (segStop >= last)
                break;
            ecSegment seg;
            seg.iStart = static_cast<int>(cur);
            seg.iStop = static_cast<int>(segStop);
            m_vSegments.push_back(seg);
        } else if (stop < cur) {
            // Inside a rejected stretch already passed.
            continue;
        }
        // Either after a clean stretch or overlapping the current position:
        // a segment must not begin inside rejected data.
        cur = stop + 1;
        if (cur > last)
            return;
    }
    ecSegment seg;
    seg.iStart = static_cast<int>(cur);
    seg.iStop = iLastSample;
    m_vSegments.push_back(seg);
}

void ecSegments::Trim(int iMargin)
{
    // One compacting pass keeps the surviving segments in their order.
    auto out = m_vSegments.begin();
    for (const ecSegment& seg : m_vSegments) {
        const long long start = static_cast<long long>(seg.iStart) + iMargin;
        const long long stop = static_cast<long long>(seg.iStop) - iMargin;
        if (start > stop)
            continue;
        out->iStart = ClampToInt(start);
        out->iStop = ClampToInt(stop);
        ++out;
    }
    m_vSegments.erase(out, m_vSegments.end());
}

int ecSegments::SelectRandom(ecSegments& segs, int iLength, int iMinSeparation, int iMaxNumber)
{
    if (iLength < 1)
        ThrowTechnical("iLength < 1");
    if (iMinSeparation < 0 && iMaxNumber < 1)
        ThrowTechnical("iMinSeparation<0 && iMaxNumber<1");

    // Drawing into the object that holds the segments must not lose them
    // when this object's list is replaced below.
    std::vector<ecSegment> aliasCopy;
    if (&segs == this)
        aliasCopy = m_vSegments;
    const std::vector<ecSegment>& source = (&segs == this) ? aliasCopy : segs.m_vSegments;

    // Every possible piece start of every segment, numbered 1..total in one
    // index space, segment after segment.
    std::vector<long long> cum;
    cum.reserve(source.size());
    long long total = 0;
    for (const ecSegment& seg : source) {
        const long long fits = (static_cast<long long>(seg.iStop) - seg.iStart + 1) - iLength + 1;
        total += std::max<long long>(fits, 0);
        cum.push_back(total);
    }
    if (source.empty() || total < 1)
        return 0;
    // The generator draws ints; beyond that the last starts cannot be drawn.
    const int drawTotal = ClampToInt(total);
    if (iMaxNumber < 1)
        iMaxNumber = drawTotal;

    const long long minDistance = static_cast<long long>(iLength) + iMinSeparation;
    std::vector<int> viSample;
    std::set<int> taken;  // accepted indices, for neighbour look-ups
    while (static_cast<long long>(viSample.size()) < iMaxNumber) {
        bool accepted = false;
        int r = 0;
        for (int tries = 0; tries < m_nMaxTries;) {
            r = m_Random.IntegerRange(1, drawTotal);
            if (iMinSeparation < 0) {
                accepted = true;
                break;
            }
            // The nearest accepted index at or above r - minDistance + 1 is
            // the only one that could lie closer than minDistance.
            const auto near = taken.lower_bound(ClampToInt(r - minDistance + 1));
            if (near == taken.end() || *near >= r + minDistance) {
                accepted = true;
                break;
            }
            ++tries;
        }
        if (!accepted)
            break;
        viSample.push_back(r);
        if (iMinSeparation >= 0)
            taken.insert(r);
    }
    if (viSample.empty())
        ThrowTechnical("viSample.size() == 0");

    m_vSegments.clear();
    for (const int r : viSample) {
        const auto it = std::lower_bound(cum.begin(), cum.end(), static_cast<long long>(r));
        if (it == cum.end())
            ThrowTechnical("j == nSegs");
        const std::size_t j = static_cast<std::size_t>(it - cum.begin());
        const long long lo = (j == 0) ? 1 : cum[j - 1] + 1;
        const long long start = source[j].iStart + (r - lo);
        const long long stop = start + iLength - 1;
        if (stop > source[j].iStop)
            ThrowTechnical("seg.iStop > segs.m_vSegments[j].iStop");
        ecSegment piece;
        piece.iStart = static_cast<int>(start);
        piece.iStop = static_cast<int>(stop);
        m_vSegments.push_back(piece);
    }
    if (viSample.size() != m_vSegments.size())
        ThrowTechnical("viSample.size() != m_vSegments.size()");
    return static_cast<int>(m_vSegments.size());
}
