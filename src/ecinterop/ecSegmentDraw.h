#pragma once
#include <vector>

#include "ecevents/segments/ecSegment.h"

class ecEventList;

// Random clean segments as the hosts draw them: pieces of a fixed length
// from the stretches of [first, last] that no rejected event covers, each
// stretch shrunk by a margin at both ends first. Samples throughout; each
// host turns its own options into them and checks them in its own words.
struct ecSegmentDraw {
    int length = 1;
    // How many to draw; 0 draws as many as fit.
    int count = 0;
    // Least gap between pieces; negative lets them overlap (then count
    // must be given).
    int separation = 0;
    int margin = 0;
    bool seeded = false;
    int seed = 0;

    // The end of the range when the host gives none: the last sample any
    // event starts or stops at (0 for an empty list).
    static int LastSample(const ecEventList& list);

    // The drawn pieces in the order drawn. Sorts list by start, as finding
    // the clean stretches does. The library's errors pass through.
    std::vector<ecSegment> Draw(ecEventList& list, int first, int last) const;
};
