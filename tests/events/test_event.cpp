#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "ecevents/events/ecEvent.h"
#include "events_test_support.h"

namespace {

unsigned int Rgb(unsigned int r, unsigned int g, unsigned int b) { return (r << 16) | (g << 8) | b; }

} // namespace

TEST(Event, BitsMoveInPairsAndLeaveOthers)
{
    ecEvent e;
    EXPECT_FALSE(e.IsRejected() || e.IsAccepted() || e.IsStatusOn() || e.IsStatusOff());
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

    e.SetDipoleOn();
    EXPECT_EQ(e.m_iAttribute, 0x200);
    e.SetDipoleOff();
    e.SetCompound();
    e.ClearTagged();
    EXPECT_EQ(e.m_iAttribute, 0x800);
    e.SetTagged();
    e.ClearCompound();
    EXPECT_EQ(e.m_iAttribute, 0x400);

    e.SetCode(0x10);
    e.SetCodeFlag(0x3);
    EXPECT_EQ(e.GetCode(), 0x13u);
    e.ClearCodeFlag(0x11);
    EXPECT_EQ(e.GetCode(), 0x2u);
}

TEST(Event, ColorsXorScaleRoundAndWrap)
{
    ecEvent e;
    e.m_nColor = 0xAB000000u | Rgb(255, 0, 0);
    EXPECT_EQ(e.GetXORWhiteColor(), Rgb(0, 255, 255));
    e.m_nColor = Rgb(255, 128, 1);
    e.HalfIntensity();  // 127.5 + 0.5 truncates to 128; 64.5 to 64; 1.0 to 1.
    EXPECT_EQ(e.m_nColor, Rgb(128, 64, 1));
    e.m_nColor = 0xFF000000u | Rgb(200, 0, 10);
    EXPECT_EQ(e.ScaleColorIntensity(2.0f), Rgb(144, 0, 20));  // 400 keeps its low eight bits
    EXPECT_EQ(e.m_nColor, 0xFF000000u | Rgb(200, 0, 10)) << "scaling must not change the event";
}

TEST(Event, ExclusionLevelsAndBoundaries)
{
    const std::pair<const char*, int> cases[] = {
        {"reject me", 0}, {"REJECTED", 0}, {"<seg>", 0},  {"[Seg]", 0},   {"EXCLUDE12", 12}, {"exclude", 0},
        {"EXCLUDE-2", 0}, {"[EX]", 0},     {"[ex7]", 7},  {"[EX-1]", -1}, {"EXCL", -1},      {"Stim", -1},
        {"", -1},         {"[EX", -1},     {"EXCLUDEx", 0}, {"[EXab]", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeEvent(c.first, 0).ExclusionLevelNameOnly(), c.second) << c.first;

    ecEvent e = MakeEvent("Stim", 0);
    EXPECT_EQ(e.ExclusionLevel(), -1);
    e.SetRejectedOn();
    EXPECT_EQ(e.ExclusionLevel(), 0);
    EXPECT_EQ(MakeEvent("EXCLUDE4", 0, 0, 1).ExclusionLevel(), 4);

    EXPECT_TRUE(MakeEvent("<SEG>", 0).IsSegmentBoundary());
    EXPECT_TRUE(MakeEvent("[seg]", 0).IsSegmentBoundary());
    EXPECT_FALSE(MakeEvent("[seg] ", 0).IsSegmentBoundary());
    ecEvent b = MakeEvent("Stim", 10, 20, 0x10 | 1 | 8);
    b.m_iCenter = 15;
    b.SetSegmentBoundaryDefaults();
    EXPECT_EQ(b.m_sName, "[seg]");
    EXPECT_EQ(b.m_iStart + b.m_iStop, 0);
    EXPECT_EQ(b.m_iCenter, 15);
    EXPECT_EQ(b.m_nColor, 0xFFu);
    EXPECT_EQ(b.m_nStatus, 0x10u | 2u | 4u);
}

TEST(Event, EqualityIgnoresDisplayAndBookkeepingAndOrderIsByStart)
{
    const ecEvent a = MakeEvent("Stim", 5, 9);
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
    for (auto change : {+[](ecEvent& x) { x.m_fFWHMFreq = 0.25f; }, +[](ecEvent& x) { x.m_fPeakStart = 1.0f; },
                        +[](ecEvent& x) { x.m_nStatus = 0; }, +[](ecEvent& x) { x.m_iAttribute = 1; }}) {
        b = a;
        change(b);
        EXPECT_FALSE(a == b);
    }
    b = MakeEvent("B", 5, 100);
    EXPECT_FALSE(a < b || a > b);
    b.m_iStart = -3;
    EXPECT_TRUE(b < a && a > b);
}

TEST(Event, CopyAndMoveCarryEveryField)
{
    static float ecEvent::*const floats[] = {
        &ecEvent::m_fResponseTime, &ecEvent::m_fResponseMag, &ecEvent::m_fResponseScore, &ecEvent::m_fPeakStart,
        &ecEvent::m_fPeakStop,     &ecEvent::m_fPeakArea,    &ecEvent::m_fPeakMean,      &ecEvent::m_fTimeStart,
        &ecEvent::m_fTimeStop,     &ecEvent::m_fFreqStart,   &ecEvent::m_fFreqStop,      &ecEvent::m_fFWHMTime,
        &ecEvent::m_fFWHMFreq};
    static int ecEvent::*const ints[] = {&ecEvent::m_iStart, &ecEvent::m_iStop, &ecEvent::m_iCenter,
                                         &ecEvent::m_iAttribute, &ecEvent::m_nLoadCount};
    static unsigned int ecEvent::*const uints[] = {&ecEvent::m_nStatus, &ecEvent::m_nColor, &ecEvent::m_nCode};
    ecEvent target = MakeEvent("Target", 42);
    ecEvent e = MakeEvent("Stim", 0);
    e.SetState(5);
    e.SetOption(6);
    e.SetDirty(true);
    e.m_vTags = {"a:1", "b:2"};
    e.m_pAssociatedEvent = &target;
    e.m_sNotation = "n";
    int k = 1;
    for (auto f : floats)
        e.*f = 0.5f + static_cast<float>(k++);
    for (auto f : ints)
        e.*f = k++;
    for (auto f : uints)
        e.*f = static_cast<unsigned int>(k++);

    auto expectSame = [&](const ecEvent& c) {
        EXPECT_EQ(c.m_sName, "Stim");
        EXPECT_EQ(c.GetState() * 10 + c.GetOption(), 56);
        EXPECT_TRUE(c.IsDirty());
        EXPECT_EQ(c.m_vTags, e.m_vTags);
        EXPECT_EQ(c.m_pAssociatedEvent, &target);
        EXPECT_EQ(c.GetEventNotation(), "n");
        k = 1;
        for (auto f : floats)
            EXPECT_EQ(c.*f, 0.5f + static_cast<float>(k++));
        for (auto f : ints)
            EXPECT_EQ(c.*f, k++);
        for (auto f : uints)
            EXPECT_EQ(c.*f, static_cast<unsigned int>(k++));
    };
    ecEvent copy(e), assigned;
    assigned = e;
    expectSame(copy);
    expectSame(assigned);
    ecEvent moved(std::move(copy)), moveAssigned;
    moveAssigned = std::move(assigned);
    expectSame(moved);
    expectSame(moveAssigned);
    EXPECT_EQ(ecEvent().GetAssociatedEvent().m_sName, "") << "without an associated event a default one";
    EXPECT_EQ(moved.GetAssociatedEvent().m_iStart, 42);
}

TEST(Event, WritesOneXmlLineInFieldOrder)
{
    ecEvent e = MakeEvent("Stim/Std", -5, 12, 0xFFFFFFFFu);
    e.m_nColor = 0xFFFFFFFFu;
    e.m_iAttribute = 0x400;
    e.m_fTimeStart = 0.1f;
    e.m_fTimeStop = 1234567.0f;
    e.m_fFreqStart = 1e-5f;
    e.m_fFreqStop = -2.5f;
    e.m_fFWHMTime = 3.0f;
    e.m_vTags = {"cond:a", "x:y"};
    std::ostringstream out;
    EXPECT_TRUE(e.WriteXml(out));
    std::ostringstream floats;
    floats << "<TimeStart>" << 0.1f << "</TimeStart><TimeStop>" << 1234567.0f << "</TimeStop><FreqStart>"
           << 1e-5f << "</FreqStart><FreqStop>" << -2.5f << "</FreqStop><FWHM_Time>" << 3.0f
           << "</FWHM_Time><FWHM_Freq>" << 0.0f << "</FWHM_Freq>";
    EXPECT_EQ(out.str(), "<Event><Name>Stim/Std</Name><Start>-5</Start><Stop>12</Stop>"
                         "<Status>4294967295</Status><Color>-1</Color><Attribute>1024</Attribute>" +
                             floats.str() + "<AttribTag>cond:a</AttribTag><AttribTag>x:y</AttribTag></Event>");

    for (float v : {0.0f, -0.0f, 1.0f, 0.5f, 123456.0f, 1234567.0f, 1e-5f, 3.14159265f, -1e30f, 100.0f}) {
        e.m_fTimeStart = v;
        std::ostringstream line, ref;
        e.WriteXml(line);
        ref << "<TimeStart>" << v << "</TimeStart>";
        EXPECT_NE(line.str().find(ref.str()), std::string::npos) << line.str() << " lacks " << ref.str();
    }
}
