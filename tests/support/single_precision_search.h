#pragma once
// Reference for how the library turns seconds into samples: the product of
// two single-precision values is rounded to single precision before 0.5 is
// added and the sum truncated toward zero. A double-precision product gives
// another sample for some inputs; the search below finds such inputs, so the
// tests do not depend on a few hand-picked constants.
#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>
#include <random>
#include <vector>

namespace singleprecision {

inline int FloatProductSample(float seconds, float rate)
{
    const float product = seconds * rate;
    return static_cast<int>(std::trunc(static_cast<double>(product) + 0.5));
}

inline int DoubleProductSample(float seconds, float rate)
{
    return static_cast<int>(std::trunc(static_cast<double>(seconds) * static_cast<double>(rate) + 0.5));
}

// The shortest decimal text that reads back as exactly this float, for
// documents that must carry a searched value unchanged.
inline std::string ExactText(float value)
{
    std::ostringstream text;
    text << std::setprecision(9) << value;
    return text.str();
}

struct Disagreement {
    float seconds;
    float rate;
    int single;  // the library's sample
    int widened; // what a double-precision product would give
};

// Seconds in [lo, hi) at common sampling rates where the two products give
// different samples; at most count of them.
inline std::vector<Disagreement> FindDisagreements(float lo, float hi, std::size_t count, unsigned seed = 1)
{
    const float rates[] = {250.0f, 256.0f, 500.0f, 512.0f, 1000.0f, 1024.0f, 2048.0f, 5000.0f, 19.5f, 333.3f};
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> pick(lo, hi);
    std::vector<Disagreement> found;
    for (int tries = 0; tries < 2000000 && found.size() < count; ++tries) {
        // Round seconds to milliseconds and microseconds too: values a user
        // writes sit on those grids, and that is where the products split.
        float seconds = pick(random);
        if (tries % 3 == 1)
            seconds = std::round(seconds * 1000.0f) / 1000.0f;
        else if (tries % 3 == 2)
            seconds = std::round(seconds * 1e6f) / 1e6f;
        const float rate = rates[tries % (sizeof rates / sizeof rates[0])];
        const int single = FloatProductSample(seconds, rate);
        const int widened = DoubleProductSample(seconds, rate);
        if (single != widened)
            found.push_back({seconds, rate, single, widened});
    }
    return found;
}

} // namespace singleprecision
