#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "ecevents/events/ecEventList.h"
#include "ecevents/events/ecEventLoader.h"
#include "events_test_support.h"

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
    list.AppendOneEvent(MakeEvent("A", 10, 21));  // another stop: a new event
    list.AppendOneEvent(MakeEvent("", 5));         // no name: a new event, no listed name
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2].m_iStart, 5) << "appending does not sort";
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 1);
    list.DeleteOneEvent(2);
    list.DeleteOneEvent(1);

    list.UnloadOneEvent(e);
    list.UnloadOneEvent(0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].m_nLoadCount, 1);
    list.UnloadOneEvent(e);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 0);
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

TEST(EventListCore, DeleteAndUnloadKeepNamesStillInUse)
{
    ecEventList list;
    for (auto n : std::initializer_list<std::pair<const char*, int>>{{"A", 1}, {"B", 2}, {"A", 3}, {"C", 4}})
        list.AppendOneEvent(MakeEvent(n.first, n.second));
    list.DeleteOneEvent(0);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), 1);
    list.DeleteOneEvent(MakeEvent("Z", 3));
    list.DeleteOneEvent(MakeEvent("A", 3));
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), -1);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("B"), 1);
    list.AppendOneEvent(MakeEvent("A", 5));
    list.AppendOneEvent(MakeEvent("B", 6));
    list.DeleteAllNamedEvents("B");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].m_sName, "C") << "others keep their places";
    EXPECT_EQ(list.GetUniqueEventName(0), "C");

    list.AppendOneEvent(MakeEvent("A", 5));  // loaded twice now
    list.UnloadAllNamedEvents("A");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].m_nLoadCount, 1);
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), 2);
    list.UnloadAllNamedEvents("A");
    EXPECT_EQ(list.GetUniqueEventCodeFromName("A"), -1);
    list.AddUniqueEventName("X");  // a listed name without events goes too
    list.UnloadAllNamedEvents("X");
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 1);
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

    list[0].m_iStop = 30;  // in range only as a whole
    EXPECT_EQ(list.IsEventInRange(2, 25), &list[1]);
    EXPECT_EQ(list.IsEventInRange(0, 30), &list[0]);
    EXPECT_EQ(list.IsEventInRange(4, 30), nullptr);
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

TEST(EventListCore, ClearResetsAllButSourceAndMaker)
{
    ecEventList list;
    list.SetSamplingRate(500.0f);
    list.SetEventListSource(3);
    list.SetEventFileMFR(2);
    list.SetAnnotation("note");
    list.SetState(7);
    list.SetOption(6);
    list.SetInstanceType(5);
    list.AppendOneEvent(MakeEvent("A", 1));
    list.GetNextEvent(false);
    list.Clear();
    EXPECT_TRUE(list.empty() && list.GetSamplingRate() == 0.0f && !list.IsDirty() && list.GetState() == 0);
    EXPECT_TRUE(list.GetOption() == 0 && list.GetInstanceType() == 0);
    EXPECT_TRUE(list.GetUniqueEventNameCnt() == 0 && list.GetCurrentEventIndex() == -1 && list.GetAnnotation().empty());
    EXPECT_EQ(list.GetEventListSource(), 3);
    EXPECT_EQ(list.GetEventFileMFR(), 2);
}

TEST(EventListCore, CopyKeepsNamesAssignmentRebuildsThem)
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

    const ecEventList copy(list);  // copying keeps the listed names and the cursor
    EXPECT_EQ(copy.GetUniqueEventNameCnt(), 3);
    EXPECT_EQ(copy.GetUniqueEventName(0), "Ghost");
    EXPECT_EQ(copy.GetCurrentEventIndex(), 0);
    EXPECT_EQ(copy.GetState(), 9);

    ecEventList other;
    other.AppendOneEvent(MakeEvent("Old", 5));
    other = list;
    EXPECT_EQ(other.GetUniqueEventNameCnt(), 2);
    EXPECT_EQ(other.GetUniqueEventName(0), "B");
    EXPECT_EQ(other.GetUniqueEventName(1), "A");
    EXPECT_EQ(other.GetCurrentEventIndex(), -1);
    ASSERT_EQ(other.size(), 2u);
    EXPECT_EQ(other[1].m_nLoadCount, 2) << "load counts are copied, not recounted";
    EXPECT_TRUE(other.GetSamplingRate() == 250.0f && other.GetAnnotation() == "a" && other.GetState() == 9);
    EXPECT_TRUE(other.GetEventListSource() == 4 && other.GetEventFileMFR() == 1 && other.IsDirty());

    other = other;
    EXPECT_EQ(other.size(), 2u) << "self-assignment keeps the events";
}

TEST(EventLoader, FoldsEqualEventsOnlyWhenMerging)
{
    ecEventList stored;
    stored.AppendOneEvent(MakeEvent("A", 1));
    for (bool merge : {false, true}) {
        ecEventList list(stored);
        ecEventLoader loader(list, merge);
        loader.Enter(MakeEvent("A", 1));
        EXPECT_EQ(list.size(), merge ? 1u : 2u);
        EXPECT_EQ(list.back().m_nLoadCount, merge ? 2 : 1);
    }
}
