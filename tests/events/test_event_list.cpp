#include <gtest/gtest.h>

#include <stdexcept>

#include "ecevents/events/ecEventList.h"
#include "event_test_util.h"

TEST(EventListCore, FreshListIsEmptyAndUnset)
{
    ecEventList list;
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.GetCurrentEventIndex(), -1);
    EXPECT_EQ(list.GetSamplingRate(), 0.0f);
    EXPECT_EQ(list.GetEventListSource(), -1);
    EXPECT_EQ(list.GetEventFileMFR(), -1);
    EXPECT_EQ(list.GetAnnotation(), "");
    EXPECT_FALSE(list.IsDirty());
}

TEST(EventListCore, AppendingTheSameEventRaisesItsLoadCount)
{
    ecEventList list;
    const ecEvent e = MakeEvent("A", 10, 20);
    list.AppendOneEvent(e);
    EXPECT_TRUE(list.IsDirty());
    list.SetDirty(false);
    list.AppendOneEvent(e);
    ecEvent later = e;
    later.m_nColor = 77;
    list.AppendOneEvent(later);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_nLoadCount, 3);
    EXPECT_EQ(list[0].m_nColor, 77u) << "the stored event takes every field from the appended one";
    EXPECT_FALSE(list.IsDirty()) << "replacing does not touch the dirty flag";
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 1);

    list.UnloadOneEvent(e);
    list.UnloadOneEvent(0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_nLoadCount, 1);
    list.UnloadOneEvent(e);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 0);
}

TEST(EventListCore, DifferentStopOrEmptyNameMakesNewEvents)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 10, 20));
    list.AppendOneEvent(MakeEvent("A", 10, 21));
    list.AppendOneEvent(MakeEvent("", 5));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1].m_nLoadCount, 1);
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 1);
    EXPECT_EQ(list[2].m_iStart, 5) << "appending does not sort";
}

TEST(EventListCore, UniqueNamesAndCodes)
{
    ecEventList list;
    EXPECT_FALSE(list.AddUniqueEventName(""));
    EXPECT_TRUE(list.AddUniqueEventName("A"));
    EXPECT_FALSE(list.AddUniqueEventName("A"));
    EXPECT_TRUE(list.AddUniqueEventName("B"));
    EXPECT_EQ(list.GetUniqueEventCodeFromName("B"), 2);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), 1);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("C"), -1);
    EXPECT_EQ(list.GetUniqueEventName(1), "B");
    EXPECT_EQ(list.GetUniqueEventName(2), "");
    EXPECT_EQ(list.GetUniqueEventName(-1), "");
    EXPECT_EQ(list.GetUniqueTagName(0), "");
}

TEST(EventListCore, IndexAccessOutsideTheListThrows)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 1));
    EXPECT_EQ(list.GetEvent(0).m_sName, "A");
    EXPECT_EQ(list.GetEventPointer(0), &list[0]);
    EXPECT_THROW(list.GetEvent(1), std::out_of_range);
    EXPECT_THROW(list.GetEvent(-1), std::out_of_range);
    EXPECT_THROW(list.GetEventPointer(1), std::out_of_range);
    EXPECT_THROW(list.DeleteOneEvent(-1), std::out_of_range);
    EXPECT_THROW(list.UnloadOneEvent(-1), std::out_of_range);
    list.DeleteOneEvent(1);
    list.UnloadOneEvent(5);
    EXPECT_EQ(list.size(), 1u);
}

TEST(EventListCore, DeleteKeepsNamesStillInUse)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 1));
    list.AppendOneEvent(MakeEvent("B", 2));
    list.AppendOneEvent(MakeEvent("A", 3));
    list.DeleteOneEvent(0);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), 1);
    list.DeleteOneEvent(MakeEvent("A", 3));
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), -1);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("B"), 1);
    list.DeleteOneEvent(MakeEvent("Z", 3));
    EXPECT_EQ(list.size(), 1u);
}

TEST(EventListCore, DeleteAllNamedKeepsOthersInPlace)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 1));
    list.AppendOneEvent(MakeEvent("B", 2));
    list.AppendOneEvent(MakeEvent("A", 3));
    list.AppendOneEvent(MakeEvent("C", 4));
    list.DeleteAllNamedEvents("A");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].m_sName, "B");
    EXPECT_EQ(list[1].m_sName, "C");
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), -1);
    EXPECT_EQ(list.GetUniqueEventName(0), "B");
}

TEST(EventListCore, UnloadAllNamed)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 1));
    list.AppendOneEvent(MakeEvent("B", 2));
    list.AppendOneEvent(MakeEvent("A", 3));
    list.AppendOneEvent(MakeEvent("A", 3));
    list.UnloadAllNamedEvents("A");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].m_sName, "A");
    EXPECT_EQ(list[1].m_nLoadCount, 1);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), 1);
    list.UnloadAllNamedEvents("A");
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), -1);

    // A listed name without events goes too.
    ecEventList empty;
    empty.AddUniqueEventName("X");
    empty.UnloadAllNamedEvents("X");
    EXPECT_EQ(empty.GetUniqueEventNameCnt(), 0);
}

TEST(EventListCore, CountsSkipOnlyRejected)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 1, 1, 0));
    list.AppendOneEvent(MakeEvent("A", 2, 2, 1));
    list.AppendOneEvent(MakeEvent("B", 3, 3, 2));
    list[0].m_vTags = {"t:1", "t:1"};
    list[1].m_vTags = {"t:1"};
    EXPECT_EQ(list.GetEventCnt(false), 3);
    EXPECT_EQ(list.GetEventCnt(true), 2);
    EXPECT_EQ(list.GetEventCnt("A", false), 2);
    EXPECT_EQ(list.GetEventCnt("A", true), 1);
    EXPECT_EQ(list.GetTagCnt("t:1", false), 2) << "an event counts once";
    EXPECT_EQ(list.GetTagCnt("t:1", true), 1);
    EXPECT_EQ(list.GetTagCnt("t:2", false), 0);
}

TEST(EventListCore, WalkingWithTheCursor)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 1, 1, 0));
    list.AppendOneEvent(MakeEvent("B", 2, 2, 0));
    EXPECT_EQ(list.GetNextEvent(true), nullptr) << "status 0 is not accepted";
    EXPECT_EQ(list.GetCurrentEventIndex(), -1);
    EXPECT_EQ(list.GetEventCnt(true), 2);

    EXPECT_EQ(list.GetNextEvent(false), &list[0]);
    EXPECT_EQ(list.GetNextEvent(false), &list[1]);
    EXPECT_EQ(list.GetNextEvent(false), nullptr);
    EXPECT_EQ(list.GetCurrentEventIndex(), 1);
    list.ResetEventList();
    EXPECT_EQ(list.GetNextEvent(false), &list[0]);

    list[1].SetRejectedOff();
    list.ResetEventList();
    EXPECT_EQ(list.GetNextEvent(true), &list[1]);
    list.ResetEventList();
    EXPECT_EQ(list.GetNextEvent("B", false), &list[1]);
    EXPECT_EQ(list.GetNextEvent("B", false), nullptr);
    EXPECT_EQ(list.GetCurrentEventIndex(), 1);
    list.ResetEventList();
    EXPECT_EQ(list.GetNextEvent("A", true), nullptr);
    EXPECT_EQ(list.GetCurrentEventIndex(), -1);
}

TEST(EventListCore, IsEventInRangeNeedsTheWholeEvent)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 5, 30));
    list.AppendOneEvent(MakeEvent("B", 10, 20));
    EXPECT_EQ(list.IsEventInRange(10, 25), &list[1]);
    EXPECT_EQ(list.IsEventInRange(0, 30), &list[0]);
    EXPECT_EQ(list.IsEventInRange(11, 30), nullptr);
}

TEST(EventListCore, ClearResetsAllButSourceAndMaker)
{
    ecEventList list;
    list.SetSamplingRate(500.0f);
    list.SetEventListSource(3);
    list.SetEventFileMFR(2);
    list.SetAnnotation("note");
    list.SetState(7);
    list.AppendOneEvent(MakeEvent("A", 1));
    list.GetNextEvent(false);
    list.Clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.GetSamplingRate(), 0.0f);
    EXPECT_FALSE(list.IsDirty());
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 0);
    EXPECT_EQ(list.GetCurrentEventIndex(), -1);
    EXPECT_EQ(list.GetAnnotation(), "");
    EXPECT_EQ(list.GetState(), 0);
    EXPECT_EQ(list.GetEventListSource(), 3);
    EXPECT_EQ(list.GetEventFileMFR(), 2);
}

TEST(EventListCore, ClearStatusTouchesOnlyOnOffBits)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("A", 1, 1, 15));
    list.ClearStatus();
    EXPECT_EQ(list[0].m_nStatus, 3u);
}

TEST(EventListCopy, CopyConstructionKeepsNamesAndCursor)
{
    ecEventList list;
    list.SetSamplingRate(250.0f);
    list.SetAnnotation("a");
    list.AddUniqueEventName("Ghost");
    list.AppendOneEvent(MakeEvent("B", 1));
    list.AppendOneEvent(MakeEvent("A", 2));
    list.AppendOneEvent(MakeEvent("A", 2));
    list.SetState(9);
    list.GetNextEvent(false);

    const ecEventList copy(list);
    EXPECT_EQ(copy.GetUniqueEventNameCnt(), 3);
    EXPECT_EQ(copy.GetUniqueEventName(0), "Ghost");
    EXPECT_EQ(copy.GetCurrentEventIndex(), 0);
    EXPECT_EQ(copy.GetSamplingRate(), 250.0f);
    EXPECT_EQ(copy.GetState(), 9);
    EXPECT_EQ(copy[1].m_nLoadCount, 2);
}

TEST(EventListCopy, AssignmentRebuildsNamesAndResetsCursor)
{
    ecEventList list;
    list.SetSamplingRate(250.0f);
    list.SetAnnotation("a");
    list.SetEventListSource(4);
    list.SetEventFileMFR(1);
    list.AddUniqueEventName("Ghost");
    list.AppendOneEvent(MakeEvent("B", 1));
    list.AppendOneEvent(MakeEvent("A", 2));
    list.AppendOneEvent(MakeEvent("A", 2));
    list.SetState(9);
    list.GetNextEvent(false);

    ecEventList other;
    other.AppendOneEvent(MakeEvent("Old", 5));
    other = list;
    EXPECT_EQ(other.GetUniqueEventNameCnt(), 2);
    EXPECT_EQ(other.GetUniqueEventName(0), "B");
    EXPECT_EQ(other.GetUniqueEventName(1), "A");
    EXPECT_EQ(other.GetCurrentEventIndex(), -1);
    ASSERT_EQ(other.size(), 2u);
    EXPECT_EQ(other[1].m_nLoadCount, 2) << "load counts are copied, not recounted";
    EXPECT_EQ(other.GetSamplingRate(), 250.0f);
    EXPECT_EQ(other.GetAnnotation(), "a");
    EXPECT_EQ(other.GetEventListSource(), 4);
    EXPECT_EQ(other.GetEventFileMFR(), 1);
    EXPECT_EQ(other.GetState(), 9);
    EXPECT_TRUE(other.IsDirty());

    other = other;
    EXPECT_EQ(other.size(), 2u) << "self-assignment keeps the events";
}
