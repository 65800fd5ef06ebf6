#include "ecinterop/ecNearestSample.h"

#include <climits>
#include <cmath>

double ecNearestSample(double seconds, double rate)
{
    return std::round(seconds * rate);
}

bool ecFitsSample(double sample)
{
    return sample >= static_cast<double>(INT_MIN) && sample <= static_cast<double>(INT_MAX);
}

double ecLastSample(double start, double duration, double rate)
{
    const double n = ecNearestSample(duration, rate);
    return n > 1.0 ? start + n - 1.0 : start;
}
