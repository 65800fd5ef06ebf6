#pragma once
#include <vector>

#include "ecevents/segments/ecSegment.h"
#include "ecutil/ecRandom.h"

class ecEventList;

// Clean stretches of a recording between rejected events, and random pieces of
// a fixed length drawn from them. One object holds the clean segments; a
// second one receives the pieces, drawn with its own generator.
class ecSegments {
public:
    ecSegments();
    ecSegments(const ecSegments& other);
    ecSegments& operator=(const ecSegments& other);
    ~ecSegments();

    void SetRandomNumberSeed(int seed);
    // Sorts the events by start (the caller's list stays sorted) and keeps the
    // stretches of [iFirstSample, iLastSample] that no rejected event covers.
    void Initialize(ecEventList& events, int iFirstSample, int iLastSample);
    // Shrinks every segment by iMargin at both ends; segments left empty go.
    void Trim(int iMargin);
    // Replaces this object's segments with pieces of iLength samples drawn at
    // random from segs; returns how many were drawn.
    int SelectRandom(ecSegments& segs, int iLength, int iMinSeparation, int iMaxNumber);

    // The host reads the segments (or drawn pieces) straight from here.
    std::vector<ecSegment> m_vSegments;

protected:
    int m_nMaxTries;
    ecRandom m_Random;
};
