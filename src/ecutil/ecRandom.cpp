#include "ecutil/ecRandom.h"

#include <chrono>
#include <cstdint>

ecRandom::ecRandom() : m_engine(5489u) {}

void ecRandom::Initialize()
{
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    m_engine.seed((static_cast<std::uint64_t>(device()) << 32) ^ now);
}

void ecRandom::Initialize(long seed)
{
    m_engine.seed(static_cast<std::uint64_t>(seed));
}

int ecRandom::IntegerRange(int low, int high)
{
    if (high < low)
        return low;
    // Rejection sampling keeps the draw unbiased and the sequence the same on
    // every standard library (the distributions of <random> are not portable).
    const std::uint64_t span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low) + 1u;
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % span;
    std::uint64_t draw;
    do {
        draw = m_engine();
    } while (draw >= limit);
    return static_cast<int>(static_cast<std::int64_t>(low) + static_cast<std::int64_t>(draw % span));
}
