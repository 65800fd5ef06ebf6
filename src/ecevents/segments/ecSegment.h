#pragma once

// A stretch of samples, both ends included.
struct ecSegment {
    ecSegment();
    ecSegment(const ecSegment& other);
    ecSegment& operator=(const ecSegment& other);

    int iStart;
    int iStop;
};
