#pragma once
#include <random>

// Seeded uniform random integers. Copies carry the whole generator state and
// continue the same sequence.
class ecRandom {
public:
    ecRandom();
    // Seeds differently on every run.
    void Initialize();
    // Seeds reproducibly.
    void Initialize(long seed);
    // An integer in [low, high], both bounds included.
    int IntegerRange(int low, int high);

private:
    std::mt19937_64 m_engine;
};
