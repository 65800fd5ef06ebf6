#include <gtest/gtest.h>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "events_test_support.h"

namespace {

const unsigned int kFull = 0xFFFFFFu;
const unsigned int kHalf = 0x808080u;

ecEventList Named(std::initializer_list<const char*> names)
{
    ecEventList list;
    int sample = 0;
    for (const char* n : names) {
        ecEvent e = MakeEvent(n, sample += 10);
        e.m_nColor = kFull;
        list.AppendOneEvent(e);
    }
    return list;
}

} // namespace

TEST(ConvertCodes, MergesCoincidentBits)
{
    ecEventList list;
    list.SetSamplingRate(256.0f);
    list.AppendOneEvent(MakeEvent("1", 100));
    list.AppendOneEvent(MakeEvent("2", 200));
    list.AppendOneEvent(MakeEvent("4", 100));
    list.AppendOneEvent(MakeEvent("Stim", 100));
    list[0].m_nLoadCount = 3;
    list.SetDirty(false);
    list.ConvertCodesToBinary(8);
    ASSERT_EQ(list.size(), 3u);
    // Bits 1 and 4 give 1 + 8.
    EXPECT_EQ(list[0].m_sName, "9");
    EXPECT_EQ(list[0].m_iStart, 100);
    EXPECT_EQ(list[0].m_nLoadCount, 3);
    EXPECT_EQ(list[1].m_sName, "2");
    EXPECT_EQ(list[2].m_sName, "Stim");
    EXPECT_EQ(list.GetSamplingRate(), 256.0f);
    EXPECT_EQ(list.GetUniqueEventNameCnt(), 3);
    EXPECT_EQ(list.GetUniqueEventName(0), "9");
    EXPECT_EQ(list.GetUniqueEventCodeFromName("1"), -1);
    EXPECT_TRUE(list.IsDirty());
}

TEST(ConvertCodes, SumsRepeatedAndKeepsFirstInListOrder)
{
    ecEventList list;
    list.AppendOneEvent(MakeEvent("Stim", 50));
    list.AppendOneEvent(MakeEvent("3", 50));
    list.AppendOneEvent(MakeEvent("1", 50));
    list.AppendOneEvent(MakeEvent("2", 50));
    list.AppendOneEvent(MakeEvent("2", 60));
    list.push_back(MakeEvent("2", 60)); // a second event named 2 at sample 60, not folded
    list.ConvertCodesToBinary(3);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].m_sName, "Stim");
    EXPECT_EQ(list[1].m_sName, "7");
    EXPECT_EQ(list[2].m_sName, "4") << "two events named 2 add their value twice";
}

TEST(ConvertCodes, WhatIsNotABitEvent)
{
    ecEventList list;
    for (const char* n : {"4", "0", "-1", "Stim", " 3x"})
        list.AppendOneEvent(MakeEvent(n, 10));
    list.AppendOneEvent(MakeEvent("2", 20, 21));
    list.ConvertCodesToBinary(3);
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].m_sName, "4");
    EXPECT_EQ(list[1].m_sName, "0");
    EXPECT_EQ(list[2].m_sName, "-1");
    EXPECT_EQ(list[3].m_sName, "Stim");
    EXPECT_EQ(list[4].m_sName, "4") << "read as atoi reads it: 3";
    EXPECT_EQ(list[5].m_sName, "2");

    ecEventList wide;
    wide.AppendOneEvent(MakeEvent("31", 1));
    wide.AppendOneEvent(MakeEvent("32", 2));
    wide.ConvertCodesToBinary(40);
    EXPECT_EQ(wide[0].m_sName, "1073741824");
    EXPECT_EQ(wide[1].m_sName, "32") << "bit numbers above 31 are not bit events";
}

TEST(KeepModTest, KeepsEveryThirdFromTheSecondAndRefusesBadArguments)
{
    ecEventList list = Named({"A", "B", "A", "C", "A", "A", "B", "A", "A"});
    list[1].m_nStatus = 2 | 8;
    list.KeepMod({"A", "C"}, 1, 3);
    // Matching order: A0 A2 C3 A4 A5 A7 A8 -> ranks 0..6; ranks 1 and 4 stay on.
    const bool on[] = {false, false, true, false, false, true, false, false, false};
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].m_sName == "B")
            continue;
        EXPECT_EQ(list[i].IsStatusOn(), on[i]) << i;
        EXPECT_EQ(list[i].IsStatusOff(), !on[i]) << i;
        EXPECT_EQ(list[i].m_nColor, on[i] ? kFull : kHalf) << i;
        EXPECT_TRUE(list[i].IsAccepted()) << "other status bits stay";
    }
    EXPECT_EQ(list[1].m_nStatus, 10u) << "other names are not touched";
    EXPECT_EQ(list[1].m_nColor, kFull);

    ecEventList two = Named({"A", "A"});
    two.KeepMod({"A"}, 5, 1);
    two.KeepMod({}, 0, 0);
    for (auto args : {std::pair<int, int>{0, 0}, {2, 2}, {-1, 3}, {0, -4}})
        EXPECT_EQ(EcErrorOf([&] { two.KeepMod({"A"}, args.first, args.second); }),
                  "[ecEventList::KeepMod] Invalid arguments")
            << args.first << " " << args.second;
    EXPECT_EQ(two[0].m_nStatus, 2u);
    EXPECT_EQ(two[1].m_nColor, kFull);
}

TEST(SplitHalf, FiveEventsSplitTwoAndThree)
{
    for (int round = 0; round < 20; ++round) {
        ecEventList list = Named({"A", "X", "A", "A", "B", "A", "A"});
        list.SetSamplingRate(100.0f);
        ecEventList other;
        list.SplitHalfRandom({"A"}, other);
        ASSERT_EQ(other.size(), list.size());
        EXPECT_EQ(other.GetSamplingRate(), 100.0f);
        int onHere = 0;
        int onThere = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].m_sName != "A") {
                EXPECT_EQ(list[i].m_nStatus, 2u);
                EXPECT_EQ(other[i].m_nStatus, 2u);
                continue;
            }
            EXPECT_NE(list[i].IsStatusOn(), other[i].IsStatusOn()) << "on in exactly one list";
            EXPECT_EQ(list[i].IsStatusOff(), other[i].IsStatusOn());
            EXPECT_EQ(list[i].m_nColor, list[i].IsStatusOn() ? kFull : kHalf);
            EXPECT_EQ(other[i].m_nColor, other[i].IsStatusOn() ? kFull : kHalf);
            onHere += list[i].IsStatusOn();
            onThere += other[i].IsStatusOn();
        }
        EXPECT_EQ(onHere, 2);
        EXPECT_EQ(onThere, 3);
    }
}

TEST(SplitHalf, SingleMatchGoesToTheOtherListAndNoMatchThrows)
{
    ecEventList list = Named({"A", "B"});
    ecEventList other;
    list.SplitHalfRandom({"A"}, other);
    EXPECT_TRUE(list[0].IsStatusOff());
    EXPECT_TRUE(other[0].IsStatusOn());
    other = Named({"Keep"});
    EXPECT_EQ(EcErrorOf([&] { list.SplitHalfRandom({"C"}, other); }),
              "[ecEventList::SplitHalfRandom] No events match naming criteria");
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].m_sName, "Keep");
}
