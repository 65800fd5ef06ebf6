#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <stdexcept>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "events_test_support.h"
#include "../support/single_precision_search.h"

TEST(EventExclude, AddExcludeWidensTheFirstNamedExclusionItTouches)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("EXCLUDE", 150, 300));
    list.SetDirty(false);
    ecEvent e = MakeEvent("EXCLUDE", 100, 200);
    EXPECT_FALSE(list.AddExclude(e));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_iStart, 100);
    EXPECT_EQ(list[0].m_iStop, 300);
    EXPECT_FALSE(list.IsDirty());

    ecEventList stim;
    stim.AppendOneEvent(MakeEvent("Stim", 150, 300, 1)); // rejected, but not named as an exclusion
    EXPECT_TRUE(stim.AddExclude(e));
    EXPECT_EQ(stim.size(), 2u);
    EXPECT_TRUE(stim.IsDirty());

    list.Clear();
    list.AppendOneEvent(MakeEvent("REJECT", 10, 20));
    list.AppendOneEvent(MakeEvent("[EX3]", 25, 40));
    e = MakeEvent("EXCLUDE", 20, 30);
    EXPECT_FALSE(list.AddExclude(e));  // touches the first at sample 20
    EXPECT_TRUE(list[0] == MakeEvent("REJECT", 10, 30));
    EXPECT_EQ(list[1].m_iStart, 25) << "only the first overlapping exclusion is widened";
    e = MakeEvent("EXCLUDE", 41, 50);
    EXPECT_TRUE(list.AddExclude(e));
}

TEST(EventExclude, ClearExcludeByLevel)
{
    ecEventList list;
    for (const char* n : {"EXCLUDE1", "Stim", "EXCLUDE", "REJECT", "[SEG]", "EXCLUDE2"})
        list.AppendOneEvent(MakeEvent(n, 1));
    list.AppendOneEvent(MakeEvent("Bad", 9, 9, 1));
    list.SetDirty(false);
    list.ClearExclude(1);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].m_sName, "Stim");
    EXPECT_EQ(list[4].m_sName, "Bad");
    EXPECT_EQ(list.GetUniqueEventCodeFromName("EXCLUDE1"), -1);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("EXCLUDE"), 2);
    EXPECT_TRUE(list.IsDirty());

    list.SetDirty(false);
    list.ClearExclude(5);
    EXPECT_FALSE(list.IsDirty()) << "nothing removed, nothing changed";
    list.ClearExclude(0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_sName, "Stim");
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 1);
}

TEST(EventExclude, MaxLevelAndOverlapOnSamples)
{
    ecEventList list;
    EXPECT_EQ(list.MaxExcludeLevel(), 0);
    EXPECT_FALSE(list.IsOverlappingExclude(0, 1000, false));
    for (const char* n : {"Stim", "EXCLUDE3", "[EX7]", "EXCLUDE"})
        list.AppendOneEvent(MakeEvent(n, 1));
    EXPECT_EQ(list.MaxExcludeLevel(), 7);

    // A boundary is a point at its start.
    list = MakeList("EXCLUDE@100..200 Blink@500..520! Stim@600..700 [SEG]@1000..1300");
    const struct { int from, to; bool expected; } cases[] = {
        {50, 120, true}, {150, 400, true}, {50, 400, true}, {200, 300, true}, {201, 300, false}, {0, 99, false},
        {510, 515, true}, {650, 660, false}, {999, 1000, true}, {1000, 1150, false}, {1150, 1250, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.IsOverlappingExclude(c.from, c.to, false), c.expected) << c.from << "-" << c.to;
    // An exclusion event that is itself rejected is skipped by the accepted-only test.
    list[0].SetRejectedOn();
    EXPECT_FALSE(list.IsOverlappingExclude(50, 120, true));
    EXPECT_TRUE(list.IsOverlappingExclude(50, 120, false));
}

TEST(EventExclude, OverlapInSeconds)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("EXCLUDE", 100, 200));
    for (float rate : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        list.SetSamplingRate(rate);
        EXPECT_EQ(EcErrorOf([&] { list.IsOverlappingExclude(0.0f, 1.0f, false); }),
                  "[ecEventList::IsOverlappingExclude] Technical error (invalid sampling rate)")
            << "rate " << rate;
    }
    list.SetSamplingRate(1000.0f);
    // 0.2004 s rounds to sample 200, 0.2005 s to 201.
    EXPECT_TRUE(list.IsOverlappingExclude(0.2004f, 0.3f, false));
    EXPECT_FALSE(list.IsOverlappingExclude(0.2006f, 0.3f, false));
    EXPECT_FALSE(list.IsOverlappingExclude(1e30f, 2e30f, false));
}

TEST(EventExclude, NearestBoundaries)
{
    ecEventList list = MakeList("EXCLUDE@300..400 Stim@240..260 EXCLUDE@100..200 EXCLUDE@500..600 EXCLUDE@10..20");
    int first = 0;
    int second = 0;
    EXPECT_FALSE(list.NearestExcludeBoundaries(250, first, second));
    EXPECT_EQ(first, 300);
    EXPECT_EQ(second, 200);
    EXPECT_TRUE(list.NearestExcludeBoundaries(350, first, second));
    EXPECT_EQ(first, 300);
    EXPECT_EQ(second, 400);

    ecEventList one = MakeList("EXCLUDE@100..200");
    EXPECT_FALSE(one.NearestExcludeBoundaries(250, first, second));
    EXPECT_EQ(first, -1);
    EXPECT_EQ(second, 200);
    EXPECT_FALSE(one.NearestExcludeBoundaries(50, first, second));
    EXPECT_EQ(first, 100);
    EXPECT_EQ(second, -1);

    // A negative boundary found so far counts as none found, so a later
    // exclusion replaces it even when it lies farther away.
    ecEventList negative = MakeList("EXCLUDE@-400..-350 EXCLUDE@-300..-250");
    EXPECT_FALSE(negative.NearestExcludeBoundaries(-500, first, second));
    EXPECT_EQ(first, -300);
}

TEST(EventExclude, IsSegment)
{
    ecEventList list;
    EXPECT_TRUE(list.IsSegment("A"));
    list.AppendOneEvent(MakeEvent("A", 5));
    list.AppendOneEvent(MakeEvent("A", 6, 9));
    list.AppendOneEvent(MakeEvent("B", 6, 9));
    EXPECT_FALSE(list.IsSegment("A")) << "the first event of the name decides";
    EXPECT_TRUE(list.IsSegment("B"));
    EXPECT_TRUE(list.IsSegment("C"));
}

TEST(EventCompareFields, EventsAndValues)
{
    ecEventList list;
    ecEvent a = MakeEvent("Alpha", 10, 20, 1);
    ecEvent b = MakeEvent("Beta", 10, 30, 0xFFFFFFFFu);
    b.m_fResponseMag = 2.0f;
    // {operator, field, expected}; "unknown operator" 3 and fields without meaning give false.
    const int withEvent[][3] = {{2, 1, 1}, {6, 1, 1}, {1, 3, 1}, {2, 4, 1}, {2, 2, 1}, {4, 2, 0}, {1, 6, 1},
                                {1, 7, 1}, {2, 11, 1}, {3, 3, 0}, {1, 8, 0}, {1, 13, 0}};
    for (const auto& c : withEvent)
        EXPECT_EQ(list.DoComparison(a, b, c[0], c[1]), c[2] != 0) << c[0] << " " << c[1];

    a.m_nStatus = 0x80000000u;  // large when compared unsigned
    a.m_fResponseTime = 0.5f;
    EXPECT_TRUE(list.DoComparison(a, std::string("Resp"), 6, 1));
    EXPECT_FALSE(list.DoComparison(a, std::string("Alpha"), 6, 1));
    EXPECT_TRUE(list.DoComparison(a, std::string("Alpha"), 1, 1));
    EXPECT_FALSE(list.DoComparison(a, std::string("Zzz"), 2, 1)) << "no order for text values";
    EXPECT_TRUE(list.DoComparison(a, 0.25f, 4, 10));
    EXPECT_TRUE(list.DoComparison(a, 10, 1, 3));
    EXPECT_FALSE(list.DoComparison(a, 12, 2, 4));
    EXPECT_TRUE(list.DoComparison(a, 1, 4, 2));
    a.m_pAssociatedEvent = &b;
    EXPECT_TRUE(list.DoComparison(a, &b, 1, 7));
    EXPECT_TRUE(list.DoComparison(a, static_cast<ecEvent*>(nullptr), 6, 7));
    EXPECT_FALSE(list.DoComparison(a, &b, 2, 7));
}

TEST(EventCompareFields, ValueOfAnotherKindThrows)
{
    ecEventList list;
    ecEvent a = MakeEvent("Stim", 3);
    const char* message = "[ecEventList::DoComparison]: Unable to compare different typies.";
    try {
        list.DoComparison(a, 3.0f, 1, 3);
        FAIL();
    } catch (const ecError&) {
        FAIL() << "must be a plain standard exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), message);
    }
    EXPECT_FALSE(list.DoComparison(a, 3.0f, 3, 3)) << "operator checked before field";
    EXPECT_THROW(list.DoComparison(a, 3, 6, 1), std::runtime_error);
    EXPECT_THROW(list.DoComparison(a, 3, 2, 10), std::runtime_error);
    EXPECT_THROW(list.DoComparison(a, std::string("x"), 1, 3), std::runtime_error);
    EXPECT_FALSE(list.DoComparison(a, std::string("x"), 4, 3));
    EXPECT_THROW(list.DoComparison(a, static_cast<ecEvent*>(nullptr), 6, 1), std::runtime_error);
    EXPECT_FALSE(list.DoComparison(a, static_cast<ecEvent*>(nullptr), 2, 1));
}

TEST(EventNeighbours, WindowOfTwentySevenSamples)
{
    ecEventList list = MakeList("X@973 Y@990 X@980 E@1000 X@1000..1010 Z@1027 Z2@1027");
    ecEvent e = list[3];
    EXPECT_EQ(list.GetPreceedingEvent(e, false), &list[1]);
    EXPECT_EQ(list.GetSucceedingEvent(e, false), &list[5]) << "first in stored order among equals";
    ecEvent x = MakeEvent("X", 1000);
    EXPECT_EQ(list.GetPreceedingEvent(x, true), &list[2]);
    EXPECT_EQ(list.GetSucceedingEvent(x, true), nullptr);

    ecEventList far = MakeList("A@972 A@1028 A@1000");
    EXPECT_EQ(far.GetPreceedingEvent(far[2], false), nullptr);
    EXPECT_EQ(far.GetSucceedingEvent(far[2], false), nullptr);
}

TEST(EventOrder, SortMatchesAStableSortOnRandomLists)
{
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        ecEventList list;
        const int n = 1 + static_cast<int>(random() % 300);
        for (int i = 0; i < n; ++i) {
            ecEvent e = MakeEvent("E" + std::to_string(i), static_cast<int>(random() % 40));
            e.m_vTags.push_back("T:" + std::to_string(i));
            list.push_back(e);
        }
        std::vector<ecEvent> expected(list.begin(), list.end());
        std::stable_sort(expected.begin(), expected.end(),
                         [](const ecEvent& a, const ecEvent& b) { return a.m_iStart < b.m_iStart; });
        list.GetNextEvent(false);
        list.SortEventListInTimelyOrder("");
        EXPECT_EQ(list.GetCurrentEventIndex(), -1) << "sorting resets the cursor";
        ASSERT_EQ(list.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(list[i].m_sName, expected[i].m_sName) << "round " << round << " index " << i;
            ASSERT_EQ(list[i].m_vTags, expected[i].m_vTags);
        }
    }
}

TEST(EventOrder, NamedExchangeSort)
{
    ecEventList list;
    ecEvent a = MakeEvent("N", 5);
    a.m_sNotation = "A";
    ecEvent b = MakeEvent("N", 5, 6);
    b.m_sNotation = "B";
    ecEvent c = MakeEvent("N", 3);
    c.m_sNotation = "C";
    list.AppendOneEvent(a);
    list.AppendOneEvent(MakeEvent("Other", 1));
    list.AppendOneEvent(b);
    list.AppendOneEvent(c);
    list.AppendOneEvent(MakeEvent("Other", 0));
    list.SortEventListInTimelyOrder("N");
    EXPECT_EQ(list[0].m_sNotation, "C");
    EXPECT_EQ(list[1].m_sName, "Other");
    EXPECT_EQ(list[2].m_sNotation, "B") << "the exchange sort is not stable";
    EXPECT_EQ(list[3].m_sNotation, "A");
    EXPECT_EQ(list[4].m_iStart, 0) << "other names keep their places";
    EXPECT_EQ(list.GetCurrentEventIndex(), 3);

    ecEventList absent = MakeList("A@2 A@1"); // sorting by an absent name changes nothing
    absent.SortEventListInTimelyOrder("B");
    EXPECT_EQ(absent[0].m_iStart, 2);
    EXPECT_EQ(absent.GetCurrentEventIndex(), -1);
}

TEST(EventExclude, SecondsBecomeSamplesThroughASinglePrecisionProduct)
{
    EXPECT_EQ(ecEventList::SecondsToSampleSinglePrecision(0.01f, 250.0f), 3);
    const auto found = singleprecision::FindDisagreements(-20.0f, 20.0f, 50);
    ASSERT_GE(found.size(), 20u);
    for (const auto& d : found) {
        SCOPED_TRACE(::testing::Message() << d.seconds << " s at " << d.rate << " Hz");
        EXPECT_EQ(ecEventList::SecondsToSampleSinglePrecision(d.seconds, d.rate), d.single);
        // An exclusion at the library's sample is hit; one at the other sample is not.
        for (int at : {d.single, d.widened}) {
            ecEventList list;
            list.SetSamplingRate(d.rate);
            list.AppendOneEvent(MakeEvent("EXCLUDE", at, at));
            EXPECT_EQ(list.IsOverlappingExclude(d.seconds, d.seconds, false), at == d.single);
        }
    }
}
