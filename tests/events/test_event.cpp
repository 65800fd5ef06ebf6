#include <gtest/gtest.h>

#include <sstream>

#include "ecevents/events/ecEvent.h"

namespace {

ecEvent Named(const std::string& name)
{
    ecEvent e;
    e.m_sName = name;
    return e;
}

unsigned int Rgb(unsigned int r, unsigned int g, unsigned int b) { return (r << 16) | (g << 8) | b; }

} // namespace

TEST(EventStatus, DefaultEventHasNoStatusBits)
{
    ecEvent e;
    EXPECT_FALSE(e.IsRejected());
    EXPECT_FALSE(e.IsAccepted());
    EXPECT_FALSE(e.IsStatusOn());
    EXPECT_FALSE(e.IsStatusOff());
    EXPECT_EQ(e.m_pAssociatedEvent, nullptr);
    EXPECT_EQ(e.m_nLoadCount, 0);
}

TEST(EventStatus, BitsMoveInPairsAndLeaveOthers)
{
    ecEvent e;
    e.SetRejectedOn();
    EXPECT_EQ(e.m_nStatus, 1u);
    e.SetRejectedOff();
    EXPECT_EQ(e.m_nStatus, 2u);

    e.m_nStatus = 8;
    e.SetStatusOn();
    EXPECT_EQ(e.m_nStatus, 4u);
    e.SetStatusOff();
    EXPECT_EQ(e.m_nStatus, 8u);

    e.m_nStatus = 15;
    e.ClearStatus();
    EXPECT_EQ(e.m_nStatus, 3u);

    e.m_nStatus = 0xF0;
    e.SetRejectedOn();
    EXPECT_EQ(e.m_nStatus, 0xF1u);
}

TEST(EventAttribute, FlagBits)
{
    ecEvent e;
    e.SetDipoleOn();
    EXPECT_EQ(e.m_iAttribute, 0x200);
    EXPECT_TRUE(e.IsForDipole());
    e.SetDipoleOff();
    e.SetCompound();
    e.ClearTagged();
    EXPECT_EQ(e.m_iAttribute, 0x800);
    EXPECT_TRUE(e.IsCompound());
    EXPECT_FALSE(e.IsTagged());
    e.SetTagged();
    e.ClearCompound();
    EXPECT_EQ(e.m_iAttribute, 0x400);
}

TEST(EventCode, SetFlagClear)
{
    ecEvent e;
    e.SetCode(0x10);
    e.SetCodeFlag(0x3);
    EXPECT_EQ(e.GetCode(), 0x13u);
    e.ClearCodeFlag(0x11);
    EXPECT_EQ(e.GetCode(), 0x2u);
}

TEST(EventColor, XorWhiteClearsHighByte)
{
    ecEvent e;
    e.m_nColor = 0xAB000000u | Rgb(255, 0, 0);
    EXPECT_EQ(e.GetXORWhiteColor(), Rgb(0, 255, 255));
    e.m_nColor = Rgb(1, 2, 3);
    EXPECT_EQ(e.GetXORWhiteColor(), Rgb(254, 253, 252));
}

TEST(EventColor, ScalingRoundsAndWraps)
{
    ecEvent e;
    e.m_nColor = Rgb(255, 128, 1);
    e.HalfIntensity();
    // 127.5 + 0.5 truncates to 128; 64.5 to 64; 1.0 to 1.
    EXPECT_EQ(e.m_nColor, Rgb(128, 64, 1));

    e.m_nColor = 0xFF000000u | Rgb(200, 0, 10);
    // 400 keeps its low eight bits: 144. The high byte is dropped.
    EXPECT_EQ(e.ScaleColorIntensity(2.0f), Rgb(144, 0, 20));
    EXPECT_EQ(e.m_nColor, 0xFF000000u | Rgb(200, 0, 10)) << "scaling must not change the event";
}

TEST(EventExclusion, LevelsFromNames)
{
    EXPECT_EQ(Named("reject me").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("REJECTED").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("<seg>").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("[Seg]").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("EXCLUDE12").ExclusionLevelNameOnly(), 12);
    EXPECT_EQ(Named("EXCLUDE3").ExclusionLevelNameOnly(), 3);
    EXPECT_EQ(Named("exclude").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("EXCLUDE-2").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("[EX]").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("[ex7]").ExclusionLevelNameOnly(), 7);
    EXPECT_EQ(Named("[EX2]").ExclusionLevelNameOnly(), 2);
    EXPECT_EQ(Named("[EX-1]").ExclusionLevelNameOnly(), -1);
    EXPECT_EQ(Named("EXCL").ExclusionLevelNameOnly(), -1);
    EXPECT_EQ(Named("Stim").ExclusionLevelNameOnly(), -1);
    EXPECT_EQ(Named("").ExclusionLevelNameOnly(), -1);
    EXPECT_EQ(Named("[EX").ExclusionLevelNameOnly(), -1);
    // Not a number after the prefix: the level stays at its start, -1,
    // which the EXCLUDE form clamps to 0.
    EXPECT_EQ(Named("EXCLUDEx").ExclusionLevelNameOnly(), 0);
    EXPECT_EQ(Named("[EXab]").ExclusionLevelNameOnly(), -1);
}

TEST(EventExclusion, RejectedBitGivesLevelZero)
{
    ecEvent e = Named("Stim");
    EXPECT_EQ(e.ExclusionLevel(), -1);
    e.SetRejectedOn();
    EXPECT_EQ(e.ExclusionLevel(), 0);
    EXPECT_EQ(e.ExclusionLevelNameOnly(), -1);
    ecEvent x = Named("EXCLUDE4");
    x.SetRejectedOn();
    EXPECT_EQ(x.ExclusionLevel(), 4);
}

TEST(EventSegment, BoundaryNamesAndDefaults)
{
    EXPECT_TRUE(Named("<SEG>").IsSegmentBoundary());
    EXPECT_TRUE(Named("[seg]").IsSegmentBoundary());
    EXPECT_FALSE(Named("[seg] ").IsSegmentBoundary());
    EXPECT_FALSE(Named("SEG").IsSegmentBoundary());

    ecEvent e = Named("Stim");
    e.m_iStart = 10;
    e.m_iStop = 20;
    e.m_iCenter = 15;
    e.m_nStatus = 0x10 | 1 | 8;
    e.SetSegmentBoundaryDefaults();
    EXPECT_EQ(e.m_sName, "[seg]");
    EXPECT_EQ(e.m_iStart, 0);
    EXPECT_EQ(e.m_iStop, 0);
    EXPECT_EQ(e.m_iCenter, 15);
    EXPECT_EQ(e.m_nColor, 0xFFu);
    EXPECT_EQ(e.m_nStatus, 0x10u | 2u | 4u);
    EXPECT_TRUE(e.IsSegmentBoundary());
}

TEST(EventCompare, EqualityIgnoresDisplayAndBookkeeping)
{
    ecEvent a = Named("Stim");
    a.m_iStart = 5;
    a.m_iStop = 9;
    ecEvent b = a;
    b.m_nColor = 7;
    b.m_iCenter = 3;
    b.m_sNotation = "note";
    b.m_vTags = {"f:v"};
    b.m_nCode = 9;
    b.m_nLoadCount = 4;
    b.m_fResponseTime = 1.5f;
    b.SetState(3);
    EXPECT_TRUE(a == b);

    b = a;
    b.m_fFWHMFreq = 0.25f;
    EXPECT_FALSE(a == b);
    b = a;
    b.m_fPeakStart = 1.0f;
    EXPECT_FALSE(a == b);
    b = a;
    b.m_nStatus = 2;
    EXPECT_FALSE(a == b);
    b = a;
    b.m_iAttribute = 1;
    EXPECT_FALSE(a == b);
}

TEST(EventCompare, OrderByStartAlone)
{
    ecEvent a = Named("A");
    ecEvent b = Named("B");
    a.m_iStart = b.m_iStart = 10;
    a.m_iStop = 100;
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(a > b);
    b.m_iStart = -3;
    EXPECT_TRUE(b < a);
    EXPECT_TRUE(a > b);
}

TEST(EventCopy, CopiesEveryFieldAndSharesTheAssociatedEvent)
{
    ecEvent target = Named("Target");
    target.m_iStart = 42;
    ecEvent e = Named("Stim");
    e.SetState(5);
    e.SetOption(6);
    e.SetDirty(true);
    e.m_vTags = {"a:1", "b:2"};
    e.m_pAssociatedEvent = &target;
    e.m_fResponseScore = 2.5f;
    e.m_nLoadCount = 3;
    e.m_sNotation = "n";

    ecEvent copy(e);
    EXPECT_EQ(copy.GetState(), 5);
    EXPECT_EQ(copy.GetOption(), 6);
    EXPECT_TRUE(copy.IsDirty());
    EXPECT_EQ(copy.m_vTags, e.m_vTags);
    EXPECT_EQ(copy.m_pAssociatedEvent, &target);
    EXPECT_EQ(copy.GetAssociatedEvent().m_iStart, 42);
    EXPECT_EQ(copy.m_fResponseScore, 2.5f);
    EXPECT_EQ(copy.m_nLoadCount, 3);
    EXPECT_EQ(copy.GetEventNotation(), "n");

    ecEvent assigned;
    assigned = e;
    EXPECT_EQ(assigned.GetState(), 5);
    EXPECT_EQ(assigned.m_vTags, e.m_vTags);
    EXPECT_EQ(assigned.m_nLoadCount, 3);

    // Without an associated event a default event comes back.
    EXPECT_EQ(ecEvent().GetAssociatedEvent().m_sName, "");
}

TEST(EventXml, WritesOneLineInFieldOrder)
{
    ecEvent e = Named("Stim/Std");
    e.m_iStart = -5;
    e.m_iStop = 12;
    e.m_nStatus = 0xFFFFFFFFu;
    e.m_nColor = 0xFFFFFFFFu;
    e.m_iAttribute = 0x400;
    e.m_fTimeStart = 0.1f;
    e.m_fTimeStop = 1234567.0f;
    e.m_fFreqStart = 1e-5f;
    e.m_fFreqStop = -2.5f;
    e.m_fFWHMTime = 3.0f;
    e.m_fFWHMFreq = 0.0f;
    e.m_vTags = {"cond:a", "x:y"};
    std::ostringstream out;
    EXPECT_TRUE(e.WriteXml(out));

    std::ostringstream floats;
    floats << "<TimeStart>" << 0.1f << "</TimeStart><TimeStop>" << 1234567.0f << "</TimeStop><FreqStart>"
           << 1e-5f << "</FreqStart><FreqStop>" << -2.5f << "</FreqStop><FWHM_Time>" << 3.0f
           << "</FWHM_Time><FWHM_Freq>" << 0.0f << "</FWHM_Freq>";
    const std::string expected = "<Event><Name>Stim/Std</Name><Start>-5</Start><Stop>12</Stop>"
                                 "<Status>4294967295</Status><Color>-1</Color><Attribute>1024</Attribute>" +
                                 floats.str() + "<AttribTag>cond:a</AttribTag><AttribTag>x:y</AttribTag></Event>";
    EXPECT_EQ(out.str(), expected);
}

TEST(EventXml, FloatsMatchTheStreamDefaultFormat)
{
    const float values[] = {0.0f, -0.0f, 1.0f, 0.5f, 123456.0f, 1234567.0f, 1e-5f, 3.14159265f, -1e30f, 100.0f};
    for (float v : values) {
        ecEvent e;
        e.m_fTimeStart = v;
        std::ostringstream out;
        e.WriteXml(out);
        std::ostringstream ref;
        ref << "<TimeStart>" << v << "</TimeStart>";
        EXPECT_NE(out.str().find(ref.str()), std::string::npos) << out.str() << " lacks " << ref.str();
    }
}
