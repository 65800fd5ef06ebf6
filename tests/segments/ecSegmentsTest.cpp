#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ecevents/ecevents.h"

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
    for (const auto& p : pieces) {
        ecSegment s;
        s.iStart = p.first;
        s.iStop = p.second;
        segs.m_vSegments.push_back(s);
    }
    return segs;
}

ecEvent MakeEvent(const std::string& name, int start, int stop, bool rejected)
{
    ecEvent e;
    e.m_sName = name;
    e.m_iStart = start;
    e.m_iStop = stop;
    if (rejected)
        e.SetRejectedOn();
    else
        e.SetRejectedOff();
    return e;
}

void AddRejected(ecEventList& list, int start, int stop)
{
    list.AppendOneEvent(MakeEvent("Bad", start, stop, true));
}

std::string ErrorOf(ecSegments& target, ecSegments& source, int length, int minSep, int maxNumber)
{
    try {
        target.SelectRandom(source, length, minSep, maxNumber);
    } catch (const ecError& e) {
        return e.what();
    }
    return "";
}

// Exposes the try limit, which the library itself never changes.
class ecSegmentsWithTries : public ecSegments {
public:
    void SetMaxTries(int n) { m_nMaxTries = n; }
};

// Clean runs of [first, last] computed sample by sample: the answer that
// building segments must reproduce when no segment may begin inside a
// rejected event.
Pieces CleanRunsByMask(const std::vector<ecEvent>& events, int first, int last)
{
    std::vector<bool> bad(static_cast<size_t>(last - first + 1), false);
    for (const ecEvent& e : events) {
        if (!e.IsRejected())
            continue;
        for (int s = std::max(first, e.m_iStart); s <= std::min(last, e.m_iStop); ++s)
            bad[static_cast<size_t>(s - first)] = true;
    }
    Pieces runs;
    int s = first;
    while (s <= last) {
        while (s <= last && bad[static_cast<size_t>(s - first)])
            ++s;
        if (s > last)
            break;
        const int begin = s;
        while (s <= last && !bad[static_cast<size_t>(s - first)])
            ++s;
        runs.emplace_back(begin, s - 1);
    }
    return runs;
}

// The drawing procedure followed literally (linear scans), with a generator
// seeded like the object under test.
Pieces ReferenceDraw(long seed, const Pieces& segs, int length, int minSep, int maxNumber, int maxTries = 1000)
{
    ecRandom rng;
    rng.Initialize(seed);
    std::vector<long long> cum;
    long long total = 0;
    for (const auto& s : segs) {
        long long n = (static_cast<long long>(s.second) - s.first + 1) - length + 1;
        total += n < 1 ? 0 : n;
        cum.push_back(total);
    }
    Pieces out;
    if (segs.empty() || total < 1)
        return out;
    if (maxNumber < 1)
        maxNumber = static_cast<int>(total);
    std::vector<int> drawn;
    while (static_cast<int>(drawn.size()) < maxNumber) {
        int tries = 0;
        bool ok = false;
        int r = 0;
        while (tries < maxTries) {
            r = rng.IntegerRange(1, static_cast<int>(total));
            ok = true;
            if (minSep >= 0)
                for (int s : drawn)
                    if (std::abs(static_cast<long long>(r) - s) < static_cast<long long>(length) + minSep)
                        ok = false;
            if (ok)
                break;
            ++tries;
        }
        if (!ok)
            break;
        drawn.push_back(r);
    }
    for (int r : drawn) {
        size_t j = 0;
        while (r > cum[j])
            ++j;
        const long long lo = j == 0 ? 1 : cum[j - 1] + 1;
        const int start = static_cast<int>(segs[j].first + (r - lo));
        out.emplace_back(start, start + length - 1);
    }
    return out;
}

bool Overlaps(int a0, int a1, int b0, int b1) { return a0 <= b1 && b0 <= a1; }

} // namespace

// ---------------------------------------------------------------- Initialize

TEST(ecSegmentsInitialize, OneRejectedEventSplitsTheRange)
{
    ecEventList list;
    AddRejected(list, 100, 199);
    ecSegments segs;
    segs.Initialize(list, 0, 999);
    EXPECT_EQ(AsPairs(segs), (Pieces{{0, 99}, {200, 999}}));
}

TEST(ecSegmentsInitialize, OnlyRejectedEventsCount)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("Stim", 100, 199, false));
    list.AppendOneEvent(MakeEvent("Resp", 300, 300, false));
    ecEvent neither = MakeEvent("REJECT", 400, 500, false);
    neither.m_nStatus = 0;  // named like an exclusion, but the rejected bit decides here
    list.AppendOneEvent(neither);
    ecSegments segs;
    segs.Initialize(list, 10, 900);
    EXPECT_EQ(AsPairs(segs), (Pieces{{10, 900}}));

    ecEventList empty;
    segs.Initialize(empty, 5, 5);
    EXPECT_EQ(AsPairs(segs), (Pieces{{5, 5}}));
}

TEST(ecSegmentsInitialize, EventsAtTheEndOfTheRange)
{
    ecSegments segs;
    {
        ecEventList list;
        AddRejected(list, 1200, 1300);  // after the range
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{0, 999}}));
    }
    {
        ecEventList list;
        AddRejected(list, 1000, 1000);  // just after the last sample
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{0, 999}}));
    }
    {
        ecEventList list;
        AddRejected(list, 900, 999);  // ends on the last sample
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{0, 899}}));
    }
    {
        ecEventList list;
        AddRejected(list, 900, 5000);  // runs past the last sample
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{0, 899}}));
    }
    {
        ecEventList list;
        AddRejected(list, 999, 999);  // the last sample alone
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{0, 998}}));
    }
}

TEST(ecSegmentsInitialize, NoSegmentBeginsInsideRejectedData)
{
    ecSegments segs;
    {
        ecEventList list;
        AddRejected(list, 0, 49);  // starts on the first sample
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{50, 999}}));
    }
    {
        ecEventList list;
        AddRejected(list, -10, 20);  // starts before the range
        AddRejected(list, -50, -20);  // wholly before it
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{21, 999}}));
    }
    {
        ecEventList list;
        AddRejected(list, 100, 200);
        AddRejected(list, 150, 300);  // overlaps the previous one's end
        AddRejected(list, 400, 800);
        AddRejected(list, 500, 600);  // nested in the previous one
        AddRejected(list, 801, 810);  // touches the previous one
        segs.Initialize(list, 0, 999);
        EXPECT_EQ(AsPairs(segs), (Pieces{{0, 99}, {301, 399}, {811, 999}}));
    }
    {
        ecEventList list;
        AddRejected(list, 0, 500);
        AddRejected(list, 400, 999);  // together they cover everything
        segs.Initialize(list, 0, 999);
        EXPECT_TRUE(segs.m_vSegments.empty());
    }
}

TEST(ecSegmentsInitialize, SortsTheListAndReplacesEarlierSegments)
{
    ecEventList list;
    AddRejected(list, 700, 709);
    list.AppendOneEvent(MakeEvent("Stim", 50, 50, false));
    AddRejected(list, 300, 309);
    ecSegments segs = MakeSegments({{1, 2}, {3, 4}});
    segs.Initialize(list, 0, 999);
    EXPECT_EQ(AsPairs(segs), (Pieces{{0, 299}, {310, 699}, {710, 999}}));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].m_iStart, 50);
    EXPECT_EQ(list[1].m_iStart, 300);
    EXPECT_EQ(list[2].m_iStart, 700);
}

TEST(ecSegmentsInitialize, EmptyOrExtremeRanges)
{
    ecEventList list;
    ecSegments segs;
    segs.Initialize(list, 10, 9);  // inverted range holds no sample
    EXPECT_TRUE(segs.m_vSegments.empty());

    AddRejected(list, 10, INT_MAX);
    segs.Initialize(list, 0, INT_MAX);
    EXPECT_EQ(AsPairs(segs), (Pieces{{0, 9}}));

    ecEventList malformed;
    AddRejected(malformed, 100, 90);  // stop before start still rejects its start
    segs.Initialize(malformed, 0, 199);
    EXPECT_EQ(AsPairs(segs), (Pieces{{0, 99}, {101, 199}}));
}

TEST(ecSegmentsInitialize, MatchesSampleMaskOnRandomLists)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 gen(seed);
        const int first = static_cast<int>(gen() % 200);
        const int last = first + static_cast<int>(gen() % 2000);
        ecEventList list;
        const int n = static_cast<int>(gen() % 40);
        for (int i = 0; i < n; ++i) {
            const int start = first - 100 + static_cast<int>(gen() % static_cast<unsigned>(last - first + 200));
            const int stop = start + static_cast<int>(gen() % 150);
            list.AppendOneEvent(MakeEvent(gen() % 2 ? "Bad" : "Stim", start, stop, gen() % 2 == 0));
        }
        ecSegments segs;
        segs.Initialize(list, first, last);
        std::vector<ecEvent> events(list.begin(), list.end());
        ASSERT_EQ(AsPairs(segs), CleanRunsByMask(events, first, last)) << "seed " << seed;
    }
}

// ---------------------------------------------------------------------- Trim

TEST(ecSegmentsTrim, ShrinksAndDropsSegments)
{
    ecSegments segs = MakeSegments({{0, 15}, {100, 200}});
    segs.Trim(10);
    EXPECT_EQ(AsPairs(segs), (Pieces{{110, 190}}));

    ecSegments odd = MakeSegments({{0, 20}, {30, 49}});
    odd.Trim(10);  // 21 samples keep one, 20 keep none
    EXPECT_EQ(AsPairs(odd), (Pieces{{10, 10}}));

    ecSegments mixed = MakeSegments({{0, 5}, {10, 100}, {200, 205}, {300, 400}});
    mixed.Trim(3);
    EXPECT_EQ(AsPairs(mixed), (Pieces{{13, 97}, {303, 397}}));

    ecSegments none = MakeSegments({{0, 5}});
    none.Trim(0);
    EXPECT_EQ(AsPairs(none), (Pieces{{0, 5}}));
}

// -------------------------------------------------------------- SelectRandom

TEST(ecSegmentsSelectRandom, RefusesBadArguments)
{
    ecSegments source = MakeSegments({{0, 99}});
    ecSegments pieces;
    EXPECT_EQ(ErrorOf(pieces, source, 0, 0, 1),
              "[ecSegments::SelectRandom] Technical error (iLength < 1).  Contact KDX.");
    EXPECT_EQ(ErrorOf(pieces, source, 0, -1, 0),
              "[ecSegments::SelectRandom] Technical error (iLength < 1).  Contact KDX.");
    EXPECT_EQ(ErrorOf(pieces, source, 5, -1, 0),
              "[ecSegments::SelectRandom] Technical error (iMinSeparation<0 && iMaxNumber<1).  Contact KDX.");

    ecSegmentsWithTries noTries;
    noTries.SetMaxTries(0);
    EXPECT_EQ(ErrorOf(noTries, source, 5, 0, 1),
              "[ecSegments::SelectRandom] Technical error (viSample.size() == 0).  Contact KDX.");
}

TEST(ecSegmentsSelectRandom, NothingFitsLeavesTargetUnchanged)
{
    ecSegments source = MakeSegments({{0, 8}, {20, 29}});
    ecSegments pieces = MakeSegments({{7, 8}});
    EXPECT_EQ(pieces.SelectRandom(source, 11, 0, 5), 0);
    EXPECT_EQ(AsPairs(pieces), (Pieces{{7, 8}}));

    ecSegments empty;
    EXPECT_EQ(pieces.SelectRandom(empty, 1, -1, 5), 0);
    EXPECT_EQ(AsPairs(pieces), (Pieces{{7, 8}}));
}

TEST(ecSegmentsSelectRandom, TwoPiecesAtMostFitInTenSamples)
{
    // Six possible starts; two draws fit only as starts 0 and 5.
    ecSegments source = MakeSegments({{0, 9}});
    std::set<size_t> sizesSeen;
    for (int seed = 1; seed <= 60; ++seed) {
        ecSegments pieces;
        pieces.SetRandomNumberSeed(seed);
        const int n = pieces.SelectRandom(source, 5, 0, 0);
        ASSERT_EQ(n, static_cast<int>(pieces.m_vSegments.size()));
        ASSERT_TRUE(n == 1 || n == 2);
        sizesSeen.insert(pieces.m_vSegments.size());
        for (const ecSegment& p : pieces.m_vSegments) {
            EXPECT_EQ(p.iStop - p.iStart, 4);
            EXPECT_GE(p.iStart, 0);
            EXPECT_LE(p.iStop, 9);
        }
        if (n == 2) {
            Pieces got = AsPairs(pieces);
            std::sort(got.begin(), got.end());
            EXPECT_EQ(got, (Pieces{{0, 4}, {5, 9}}));
        }
    }
    // A first draw at either end leaves room for a second one (1 in 3).
    EXPECT_EQ(sizesSeen, (std::set<size_t>{1, 2}));
}

TEST(ecSegmentsSelectRandom, NegativeSeparationDrawsExactlyTheNumberAsked)
{
    ecSegments source = MakeSegments({{0, 5}});
    ecSegments pieces;
    pieces.SetRandomNumberSeed(7);
    ASSERT_EQ(pieces.SelectRandom(source, 5, -1, 3), 3);
    for (const ecSegment& p : pieces.m_vSegments) {
        EXPECT_TRUE(p.iStart == 0 || p.iStart == 1);
        EXPECT_EQ(p.iStop, p.iStart + 4);
    }
    // Only two starts exist, so more draws than starts must repeat one.
    ASSERT_EQ(pieces.SelectRandom(source, 5, -1, 10), 10);
}

TEST(ecSegmentsSelectRandom, SeededDrawsAreReproducible)
{
    ecSegments source = MakeSegments({{0, 999}, {2000, 2999}, {5000, 5100}});
    ecSegments a, b;
    a.SetRandomNumberSeed(42);
    b.SetRandomNumberSeed(42);
    ASSERT_EQ(a.SelectRandom(source, 50, 10, 20), b.SelectRandom(source, 50, 10, 20));
    EXPECT_EQ(AsPairs(a), AsPairs(b));

    // A copy carries the generator state and goes on with the same numbers.
    ecSegments c(a);
    ecSegments d;
    d = a;
    a.SelectRandom(source, 50, 10, 20);
    c.SelectRandom(source, 50, 10, 20);
    d.SelectRandom(source, 50, 10, 20);
    EXPECT_EQ(AsPairs(a), AsPairs(c));
    EXPECT_EQ(AsPairs(a), AsPairs(d));

    // Different seeds do not all give the same pieces.
    std::set<Pieces> distinct;
    for (int seed = 1; seed <= 5; ++seed) {
        ecSegments e;
        e.SetRandomNumberSeed(seed);
        e.SelectRandom(source, 50, 10, 20);
        distinct.insert(AsPairs(e));
    }
    EXPECT_GT(distinct.size(), 1u);
}

TEST(ecSegmentsSelectRandom, FollowsTheDrawingProcedureExactly)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 gen(seed);
        Pieces segs;
        int pos = static_cast<int>(gen() % 100);
        const int nSegs = static_cast<int>(gen() % 8);
        for (int i = 0; i < nSegs; ++i) {
            const int len = static_cast<int>(gen() % 120);
            segs.emplace_back(pos, pos + len);
            pos += len + 1 + static_cast<int>(gen() % 50);
        }
        const int length = 1 + static_cast<int>(gen() % 40);
        const int minSep = static_cast<int>(gen() % 30) - 5;
        int maxNumber = static_cast<int>(gen() % 12);
        if (minSep < 0 && maxNumber < 1)
            maxNumber = 1;
        ecSegments source = MakeSegments(segs);
        ecSegments pieces;
        pieces.SetRandomNumberSeed(static_cast<int>(seed));
        const Pieces expected = ReferenceDraw(seed, segs, length, minSep, maxNumber);
        const int n = pieces.SelectRandom(source, length, minSep, maxNumber);
        ASSERT_EQ(n, static_cast<int>(expected.size())) << "seed " << seed;
        if (n > 0) {
            ASSERT_EQ(AsPairs(pieces), expected) << "seed " << seed;
        }
    }
}

TEST(ecSegmentsSelectRandom, PiecesNeverTouchRejectedData)
{
    for (unsigned seed = 1; seed <= 250; ++seed) {
        std::mt19937 gen(seed + 1000);
        const int first = 0;
        const int last = 500 + static_cast<int>(gen() % 5000);
        ecEventList list;
        const int n = 1 + static_cast<int>(gen() % 60);
        for (int i = 0; i < n; ++i) {
            const int start = static_cast<int>(gen() % static_cast<unsigned>(last + 50)) - 20;
            const int stop = start + static_cast<int>(gen() % 200);
            list.AppendOneEvent(MakeEvent("Blink", start, stop, gen() % 3 != 0));
        }
        ecSegments clean;
        clean.Initialize(list, first, last);
        clean.Trim(static_cast<int>(gen() % 4));
        const int length = 1 + static_cast<int>(gen() % 60);
        const int minSep = static_cast<int>(gen() % 20) - 3;
        const int maxNumber = 1 + static_cast<int>(gen() % 30);
        ecSegments pieces;
        pieces.SetRandomNumberSeed(static_cast<int>(seed));
        const int got = pieces.SelectRandom(clean, length, minSep, maxNumber);
        ASSERT_EQ(got, static_cast<int>(pieces.m_vSegments.size()));
        if (got == 0)
            continue;
        if (minSep < 0) {
            EXPECT_EQ(got, maxNumber) << "seed " << seed;
        }
        for (const ecSegment& p : pieces.m_vSegments) {
            ASSERT_EQ(p.iStop - p.iStart + 1, length);
            ASSERT_GE(p.iStart, first);
            ASSERT_LE(p.iStop, last);
            for (const ecEvent& e : list) {
                if (e.IsRejected()) {
                    ASSERT_FALSE(Overlaps(p.iStart, p.iStop, e.m_iStart, e.m_iStop))
                        << "seed " << seed << " piece " << p.iStart << "-" << p.iStop;
                }
            }
        }
        if (minSep >= 0) {
            Pieces sorted = AsPairs(pieces);
            std::sort(sorted.begin(), sorted.end());
            for (size_t i = 1; i < sorted.size(); ++i) {
                ASSERT_LT(sorted[i - 1].second, sorted[i].first) << "seed " << seed;
            }
        }
    }
}

TEST(ecSegmentsSelectRandom, DrawingFromItselfUsesItsOwnSegments)
{
    const Pieces original{{0, 99}, {1000, 1099}};
    ecSegments segs = MakeSegments(original);
    segs.SetRandomNumberSeed(3);
    ASSERT_EQ(segs.SelectRandom(segs, 10, 0, 5), 5);
    EXPECT_EQ(AsPairs(segs), ReferenceDraw(3, original, 10, 0, 5));
    for (const ecSegment& p : segs.m_vSegments) {
        EXPECT_TRUE((p.iStart >= 0 && p.iStop <= 99) || (p.iStart >= 1000 && p.iStop <= 1099));
    }
}

TEST(ecSegmentsSelectRandom, PositionsNearTheLargestSample)
{
    ecSegments source = MakeSegments({{INT_MAX - 9, INT_MAX}});
    ecSegments pieces;
    ASSERT_EQ(pieces.SelectRandom(source, 10, INT_MAX, 0), 1);
    EXPECT_EQ(AsPairs(pieces), (Pieces{{INT_MAX - 9, INT_MAX}}));
}
