#include "ecevents/segments/ecSegment.h"

ecSegment::ecSegment() : iStart(0), iStop(0) {}

ecSegment::ecSegment(const ecSegment& other) : iStart(other.iStart), iStop(other.iStop) {}

ecSegment& ecSegment::operator=(const ecSegment& other)
{
    iStart = other.iStart;
    iStop = other.iStop;
    return *this;
}
