#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <tuple>

#include "ecevents/ecevents.h"
#include "../support/ec_error_of.h"
#include "../support/event_builders.h"

namespace {

using Pieces = std::vector<std::pair<int, int>>;

Pieces AsPairs(const ecSegments& segs)
{
    Pieces out;
    for (const ecSegment& s : segs.m_vSegments)
        out.emplace_back(s.iStart, s.iStop);
    return out;
}

ecSegments MakeSegments(const Pieces& pieces)
{
    ecSegments segs;
    segs.m_vSegments.resize(pieces.size());
    for (size_t i = 0; i < pieces.size(); ++i)
        std::tie(segs.m_vSegments[i].iStart, segs.m_vSegments[i].iStop) = pieces[i];
    return segs;
}

// Exposes the try limit, which the library itself never changes.
struct ecSegmentsWithTries : ecSegments {
    void SetMaxTries(int n) { m_nMaxTries = n; }
};

// Clean runs of [first, last] computed sample by sample.
Pieces CleanRunsByMask(const ecEventList& events, int first, int last)
{
    std::vector<bool> bad(static_cast<size_t>(last - first + 2), false);
    for (const ecEvent& e : events)
        for (int s = std::max(first, e.m_iStart); e.IsRejected() && s <= std::min(last, e.m_iStop); ++s)
            bad[static_cast<size_t>(s - first)] = true;
    bad.back() = true;
    Pieces runs;
    for (int s = first; s <= last; ++s)
        if (!bad[static_cast<size_t>(s - first)] && (s == first || bad[static_cast<size_t>(s - first - 1)]))
            runs.emplace_back(s, s);
        else if (!bad[static_cast<size_t>(s - first)])
            runs.back().second = s;
    return runs;
}

// The drawing procedure followed literally (linear scans), with a generator
// seeded like the object under test.
Pieces ReferenceDraw(long seed, const Pieces& segs, int length, int minSep, int maxNumber)
{
    ecRandom rng;
    rng.Initialize(seed);
    std::vector<long long> cum;
    long long total = 0;
    for (const auto& s : segs) {
        total += std::max(0LL, (static_cast<long long>(s.second) - s.first + 1) - length + 1);
        cum.push_back(total);
    }
    Pieces out;
    if (total < 1)
        return out;
    if (maxNumber < 1)
        maxNumber = static_cast<int>(total);
    std::vector<int> drawn;
    while (static_cast<int>(drawn.size()) < maxNumber) {
        bool ok = false;
        int r = 0;
        for (int tries = 0; tries < 1000 && !ok; ++tries) {
            r = rng.IntegerRange(1, static_cast<int>(total));
            ok = true;
            for (int s : drawn)
                if (minSep >= 0 && std::abs(static_cast<long long>(r) - s) < static_cast<long long>(length) + minSep)
                    ok = false;
        }
        if (!ok)
            break;
        drawn.push_back(r);
    }
    for (int r : drawn) {
        size_t j = 0;
        while (r > cum[j])
            ++j;
        const int start = static_cast<int>(segs[j].first + (r - (j == 0 ? 1 : cum[j - 1] + 1)));
        out.emplace_back(start, start + length - 1);
    }
    return out;
}

} // namespace

TEST(ecSegments, InitializeKeepsStretchesFreeOfRejectedEvents)
{
    using Ev = std::tuple<int, int, bool>;  // start, stop, rejected
    const struct { const char* name; std::vector<Ev> events; int first, last; Pieces expected; } cases[] = {
        {"one splits", {{100, 199, true}}, 0, 999, {{0, 99}, {200, 999}}},
        {"only rejected count", {{100, 199, false}, {300, 300, false}}, 10, 900, {{10, 900}}},
        {"ends on last", {{900, 999, true}, {1000, 1300, true}}, 0, 999, {{0, 899}}},
        {"last sample alone", {{999, 999, true}}, 0, 999, {{0, 998}}},
        {"on first sample", {{0, 49, true}}, 0, 999, {{50, 999}}},
        {"before the range", {{-10, 20, true}, {-50, -20, true}}, 0, 999, {{21, 999}}},
        {"overlap, nest, touch",
         {{100, 200, true}, {150, 300, true}, {400, 800, true}, {500, 600, true}, {801, 810, true}},
         0, 999, {{0, 99}, {301, 399}, {811, 999}}},
        {"covers all", {{0, 500, true}, {400, 999, true}}, 0, 999, {}},
        {"unsorted", {{700, 709, true}, {50, 50, false}, {300, 309, true}}, 0, 999,
         {{0, 299}, {310, 699}, {710, 999}}},
        {"inverted range", {}, 10, 9, {}},
        {"largest sample", {{10, INT_MAX, true}}, 0, INT_MAX, {{0, 9}}},
        {"stop before start", {{100, 90, true}}, 0, 199, {{0, 99}, {101, 199}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ecEventList list;
        for (const Ev& e : c.events)
            list.AppendOneEvent(MakeEvent("Bad", std::get<0>(e), std::get<1>(e), std::get<2>(e) ? kRejected : kAccepted));
        ecSegments segs = MakeSegments({{1, 2}});  // earlier segments are replaced
        segs.Initialize(list, c.first, c.last);
        EXPECT_EQ(AsPairs(segs), c.expected);
        for (size_t i = 1; i < list.size(); ++i)
            EXPECT_LE(list[i - 1].m_iStart, list[i].m_iStart);  // the caller's list is sorted
    }
}

TEST(ecSegments, TrimShrinksAndDropsSegments)
{
    const struct { Pieces in; int margin; Pieces expected; } cases[] = {
        {{{0, 15}, {100, 200}}, 10, {{110, 190}}},
        {{{0, 20}, {30, 49}}, 10, {{10, 10}}},  // 21 samples keep one, 20 keep none
        {{{0, 5}, {10, 100}, {200, 205}, {300, 400}}, 3, {{13, 97}, {303, 397}}},
        {{{0, 5}}, 0, {{0, 5}}},
    };
    for (const auto& c : cases) {
        ecSegments segs = MakeSegments(c.in);
        segs.Trim(c.margin);
        EXPECT_EQ(AsPairs(segs), c.expected) << "margin " << c.margin;
    }
}

TEST(ecSegments, SelectRandomRefusesBadArgumentsAndKeepsTargetWhenNothingFits)
{
    ecSegments source = MakeSegments({{0, 99}});
    ecSegments pieces;
    auto Select = [](ecSegments& target, ecSegments& from, int length, int minSep, int maxNumber) {
        return EcErrorOf([&] { target.SelectRandom(from, length, minSep, maxNumber); });
    };
    const std::string pre = "[ecSegments::SelectRandom] Technical error (";
    EXPECT_EQ(Select(pieces, source, 0, 0, 1), pre + "iLength < 1).  Contact KDX.");
    EXPECT_EQ(Select(pieces, source, 5, -1, 0), pre + "iMinSeparation<0 && iMaxNumber<1).  Contact KDX.");
    ecSegmentsWithTries noTries;
    noTries.SetMaxTries(0);
    EXPECT_EQ(Select(noTries, source, 5, 0, 1), pre + "viSample.size() == 0).  Contact KDX.");

    ecSegments small = MakeSegments({{0, 8}, {20, 29}}), empty;
    pieces = MakeSegments({{7, 8}});
    EXPECT_EQ(pieces.SelectRandom(small, 11, 0, 5), 0);
    EXPECT_EQ(pieces.SelectRandom(empty, 1, -1, 5), 0);
    EXPECT_EQ(AsPairs(pieces), (Pieces{{7, 8}}));

    ecSegments top = MakeSegments({{INT_MAX - 9, INT_MAX}});
    ASSERT_EQ(pieces.SelectRandom(top, 10, INT_MAX, 0), 1);
    EXPECT_EQ(AsPairs(pieces), (Pieces{{INT_MAX - 9, INT_MAX}}));
}

TEST(ecSegments, SelectRandomFollowsTheDrawingProcedureExactly)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 gen(seed);
        Pieces segs;
        int pos = static_cast<int>(gen() % 100);
        for (int i = 0, n = static_cast<int>(gen() % 8); i < n; ++i) {
            const int len = static_cast<int>(gen() % 120);
            segs.emplace_back(pos, pos + len);
            pos += len + 1 + static_cast<int>(gen() % 50);
        }
        const int length = 1 + static_cast<int>(gen() % 40);
        const int minSep = static_cast<int>(gen() % 30) - 5;
        const int maxNumber = std::max(static_cast<int>(gen() % 12), minSep < 0 ? 1 : 0);
        ecSegments source = MakeSegments(segs);
        ecSegments pieces = MakeSegments({{1, 2}});
        pieces.SetRandomNumberSeed(static_cast<int>(seed));
        const Pieces expected = ReferenceDraw(seed, segs, length, minSep, maxNumber);
        ASSERT_EQ(pieces.SelectRandom(source, length, minSep, maxNumber), static_cast<int>(expected.size()));
        if (!expected.empty()) {
            ASSERT_EQ(AsPairs(pieces), expected) << "seed " << seed;
        }
        // A copy carries the generator state and goes on with the same numbers.
        ecSegments copy(pieces);
        copy.SelectRandom(source, length, minSep, maxNumber);
        pieces.SelectRandom(source, length, minSep, maxNumber);
        ASSERT_EQ(AsPairs(copy), AsPairs(pieces)) << "seed " << seed;
    }
    // Drawing from itself uses its own segments.
    const Pieces original{{0, 99}, {1000, 1099}};
    ecSegments segs = MakeSegments(original);
    segs.SetRandomNumberSeed(3);
    ASSERT_EQ(segs.SelectRandom(segs, 10, 0, 5), 5);
    EXPECT_EQ(AsPairs(segs), ReferenceDraw(3, original, 10, 0, 5));
}

// Random lists: the clean segments match a sample-by-sample mask, and pieces
// drawn from them never touch rejected data nor (with a separation) each other.
TEST(ecSegments, RandomListsGiveCleanSegmentsAndPieces)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 gen(seed + 1000);
        const int first = static_cast<int>(gen() % 200);
        const int last = first + static_cast<int>(gen() % 5000);
        ecEventList list;
        for (int i = 0, n = static_cast<int>(gen() % 60); i < n; ++i) {
            const int start = first - 100 + static_cast<int>(gen() % static_cast<unsigned>(last - first + 200));
            list.AppendOneEvent(MakeEvent("Bad", start, start + static_cast<int>(gen() % 200), gen() % 3 != 0 ? kRejected : kAccepted));
        }
        ecSegments clean;
        clean.Initialize(list, first, last);
        ASSERT_EQ(AsPairs(clean), CleanRunsByMask(list, first, last)) << "seed " << seed;
        clean.Trim(static_cast<int>(gen() % 4));
        const int length = 1 + static_cast<int>(gen() % 60);
        const int minSep = static_cast<int>(gen() % 20) - 3;
        const int maxNumber = 1 + static_cast<int>(gen() % 30);
        ecSegments pieces;
        pieces.SetRandomNumberSeed(static_cast<int>(seed));
        const int got = pieces.SelectRandom(clean, length, minSep, maxNumber);
        ASSERT_EQ(got, static_cast<int>(pieces.m_vSegments.size()));
        if (got > 0 && minSep < 0) {
            EXPECT_EQ(got, maxNumber) << "seed " << seed;
        }
        Pieces sorted = got > 0 ? AsPairs(pieces) : Pieces{};
        std::sort(sorted.begin(), sorted.end());
        for (size_t i = 0; i < sorted.size(); ++i) {
            const auto& p = sorted[i];
            ASSERT_EQ(p.second - p.first + 1, length);
            ASSERT_TRUE(p.first >= first && p.second <= last);
            for (const ecEvent& e : list)
                ASSERT_FALSE(e.IsRejected() && p.first <= e.m_iStop && e.m_iStart <= p.second)
                    << "seed " << seed << " piece " << p.first << "-" << p.second;
            if (i > 0 && minSep >= 0) {
                ASSERT_LT(sorted[i - 1].second, p.first) << "seed " << seed;
            }
        }
    }
}
