#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ecevents/specs/ecCondEventFlag.h"
#include "ecevents/specs/ecTimeAnchor.h"
#include "ecutil/ecXml.h"

namespace {

ecXml XmlOf(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

std::string Written(ecTimeAnchor& anchor)
{
    std::ostringstream out;
    anchor.WriteXml(out);
    return out.str();
}

std::string Written(ecCondEventFlag& flag)
{
    std::ostringstream out;
    flag.WriteXml(out);
    return out.str();
}

} // namespace

TEST(TimeAnchor, DefaultsHaveNoEventAndPlusSign)
{
    ecTimeAnchor a;
    EXPECT_EQ(a.GetEventListIndex(), -1);
    EXPECT_FALSE(a.IsMinus());
    EXPECT_EQ(a.GetLatencyWRTSpecifier(), 0.0f);
    EXPECT_EQ(a.GetName(), "");
    int x = 7, y = 7;
    a.GetDisplayCoords(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(TimeAnchor, WritesThreeIndentedLinesAndNothingElse)
{
    ecTimeAnchor a;
    a.SetOptionFlag(ecTimeAnchor::kMinus);
    a.SetLatencyWRTSpecifier(0.25f);
    a.SetName("T1");
    a.SetTabDepth(2);
    a.SetState(9);
    a.SetLatencyAbsolute(3.5f);
    a.SetEventListIndex(4);
    EXPECT_EQ(Written(a),
              "\t\t<logic>-</logic>\n"
              "\t\t<latency>0.25</latency>\n"
              "\t\t<EventSpecifier>T1</EventSpecifier>\n");
    a.ClearOptionFlag(ecTimeAnchor::kMinus);
    a.SetTabDepth(0);
    EXPECT_EQ(Written(a), "<logic>+</logic>\n<latency>0.25</latency>\n<EventSpecifier>T1</EventSpecifier>\n");
}

TEST(TimeAnchor, OnlyExactMinusReadsAsMinus)
{
    for (const char* text : {"<logic>+</logic>", "<logic>x</logic>", "", "<logic> - </logic>", "<logic>--</logic>"}) {
        ecTimeAnchor a;
        a.SetOptionFlag(ecTimeAnchor::kMinus);
        ecXml xml = XmlOf(text);
        a.ReadXml(xml);
        EXPECT_FALSE(a.IsMinus()) << text;
    }
    ecTimeAnchor a;
    ecXml xml = XmlOf("<logic>-</logic>");
    a.ReadXml(xml);
    EXPECT_TRUE(a.IsMinus());
}

TEST(TimeAnchor, ReadBackKeepsSignLatencyAndSpecifierButNotRunTimeFields)
{
    ecTimeAnchor a;
    a.SetOptionFlag(ecTimeAnchor::kMinus);
    a.SetLatencyWRTSpecifier(-1.125f);
    a.SetName("C2");
    a.SetTabDepth(3);
    ecXml xml = XmlOf(Written(a));

    ecTimeAnchor b;
    b.SetEventListIndex(12);
    b.SetLatencyWRTHome(2.0f);
    b.ReadXml(xml);
    EXPECT_TRUE(b.IsMinus());
    EXPECT_EQ(b.GetLatencyWRTSpecifier(), -1.125f);
    EXPECT_EQ(b.GetName(), "C2");
    EXPECT_EQ(b.GetEventListIndex(), 12);
    EXPECT_EQ(b.GetLatencyWRTHome(), 2.0f);
}

TEST(TimeAnchor, MissingElementsReadAsEmptyAndZero)
{
    ecTimeAnchor a;
    a.SetName("old");
    a.SetLatencyWRTSpecifier(4.0f);
    ecXml xml = XmlOf("<other>1</other>");
    a.ReadXml(xml);
    EXPECT_EQ(a.GetName(), "");
    EXPECT_EQ(a.GetLatencyWRTSpecifier(), 0.0f);
}

TEST(TimeAnchor, CopyResetsDisplayAndDepthButKeepsRunTimeFields)
{
    ecTimeAnchor a;
    a.SetOptionFlag(ecTimeAnchor::kMinus);
    a.SetState(5);
    a.SetLatencyWRTSpecifier(0.5f);
    a.SetName("T0");
    a.SetEventListIndex(3);
    a.SetLatencyWRTHome(-0.5f);
    a.SetLatencyAbsolute(10.0f);
    a.SetDisplayCoords(11, 22);
    a.SetTabDepth(4);

    ecTimeAnchor copy(a);
    EXPECT_EQ(copy.GetOption(), a.GetOption());
    EXPECT_EQ(copy.GetState(), 5);
    EXPECT_EQ(copy.GetLatencyWRTSpecifier(), 0.5f);
    EXPECT_EQ(copy.GetName(), "T0");
    EXPECT_EQ(copy.GetEventListIndex(), 3);
    EXPECT_EQ(copy.GetLatencyWRTHome(), -0.5f);
    EXPECT_EQ(copy.GetLatencyAbsolute(), 10.0f);
    int x = -1, y = -1;
    copy.GetDisplayCoords(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(copy.GetTabDepth(), 0);

    ecTimeAnchor assigned;
    assigned.SetDisplayCoords(7, 8);
    assigned.SetTabDepth(2);
    assigned = a;
    EXPECT_EQ(assigned.GetName(), "T0");
    EXPECT_EQ(assigned.GetEventListIndex(), 3);
    EXPECT_TRUE(assigned.IsMinus());
    assigned.GetDisplayCoords(x, y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);
    EXPECT_EQ(assigned.GetTabDepth(), 2);
}

TEST(TimeAnchor, ResetClearsOnlyRunTimeFieldsAndDepth)
{
    ecTimeAnchor a;
    a.SetName("T0");
    a.SetLatencyWRTSpecifier(1.0f);
    a.SetOptionFlag(ecTimeAnchor::kMinus);
    a.SetEventListIndex(9);
    a.SetLatencyWRTHome(1.0f);
    a.SetLatencyAbsolute(2.0f);
    a.SetTabDepth(3);
    a.SetDisplayCoords(1, 2);
    a.ResetRuntimeParameters();
    EXPECT_EQ(a.GetEventListIndex(), -1);
    EXPECT_EQ(a.GetLatencyWRTHome(), 0.0f);
    EXPECT_EQ(a.GetLatencyAbsolute(), 0.0f);
    EXPECT_EQ(a.GetTabDepth(), 0);
    EXPECT_EQ(a.GetName(), "T0");
    EXPECT_EQ(a.GetLatencyWRTSpecifier(), 1.0f);
    EXPECT_TRUE(a.IsMinus());
    int x = 0, y = 0;
    a.GetDisplayCoords(x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
}

TEST(CondEventFlag, WritesOnlyTheLinesItsBitsAskFor)
{
    ecCondEventFlag f;
    f.SetCode(6);
    f.SetSetCode(1);
    f.SetClearCode(2);
    f.SetTabDepth(1);
    EXPECT_EQ(Written(f), "\t<flag>\n\t\t<code>6</code>\n\t</flag>\n");

    f.SetOption(ecCondEventFlag::kInvert | ecCondEventFlag::kSet | ecCondEventFlag::kClear);
    EXPECT_EQ(Written(f),
              "\t<flag>\n"
              "\t\t<code>6</code>\n"
              "\t\t<logic>~</logic>\n"
              "\t\t<s>1</s>\n"
              "\t\t<c>2</c>\n"
              "\t</flag>\n");
}

TEST(CondEventFlag, CodesAreWrittenAsUnsignedDecimals)
{
    ecCondEventFlag f;
    f.SetCode(0x80000000u);
    EXPECT_NE(Written(f).find("<code>2147483648</code>"), std::string::npos);
}

TEST(CondEventFlag, SettingCodesLeavesTheBitsAlone)
{
    ecCondEventFlag f;
    f.SetSetCode(3);
    f.SetClearCode(4);
    EXPECT_EQ(f.GetOption(), 0);
}

TEST(CondEventFlag, CodeTextIsReadAsDecimalHexOrOctal)
{
    const struct {
        const char* text;
        unsigned int code;
    } cases[] = {{"16", 16}, {"0x10", 16}, {"010", 8}, {" 42", 42}, {"-1", 0xFFFFFFFFu}, {"7abc", 7}};
    for (const auto& c : cases) {
        ecCondEventFlag f;
        ecXml xml = XmlOf(std::string("<flag><code>") + c.text + "</code></flag>");
        ASSERT_TRUE(f.ReadXml(xml));
        EXPECT_EQ(f.GetCode(), c.code) << c.text;
    }
}

TEST(CondEventFlag, UnparsableCodeKeepsTheOldOne)
{
    ecCondEventFlag f;
    f.SetCode(5);
    ecXml xml = XmlOf("<flag><code>abc</code><s>zz</s></flag>");
    ASSERT_TRUE(f.ReadXml(xml));
    EXPECT_EQ(f.GetCode(), 5u);
    EXPECT_TRUE(f.GetOption() & ecCondEventFlag::kSet);
    EXPECT_EQ(f.GetSetCode(), 0u);
}

TEST(CondEventFlag, AbsentSetAndClearElementsClearTheirBitsOnly)
{
    ecCondEventFlag f;
    f.SetOption(ecCondEventFlag::kSet | ecCondEventFlag::kClear | ecCondEventFlag::kInvert);
    f.SetSetCode(9);
    f.SetClearCode(10);
    ecXml xml = XmlOf("<flag><code>1</code></flag>");
    ASSERT_TRUE(f.ReadXml(xml));
    EXPECT_EQ(f.GetOption(), 0);
    EXPECT_EQ(f.GetSetCode(), 9u);
    EXPECT_EQ(f.GetClearCode(), 10u);
}

TEST(CondEventFlag, ReadBackOfAFullFlag)
{
    ecCondEventFlag f;
    f.SetCode(0xF0);
    f.SetSetCode(0x3);
    f.SetClearCode(0x10);
    f.SetOption(ecCondEventFlag::kInvert | ecCondEventFlag::kSet | ecCondEventFlag::kClear);
    f.SetTabDepth(2);
    ecXml xml = XmlOf(Written(f));
    ecCondEventFlag g;
    ASSERT_TRUE(g.ReadXml(xml));
    EXPECT_EQ(g.GetCode(), 0xF0u);
    EXPECT_EQ(g.GetSetCode(), 0x3u);
    EXPECT_EQ(g.GetClearCode(), 0x10u);
    EXPECT_EQ(g.GetOption(), f.GetOption());
}

TEST(CondEventFlag, SetCodeIsLostWhenItsBitIsOff)
{
    ecCondEventFlag f;
    f.SetCode(1);
    f.SetSetCode(8);
    ecXml xml = XmlOf(Written(f));
    ecCondEventFlag g;
    ASSERT_TRUE(g.ReadXml(xml));
    EXPECT_EQ(g.GetSetCode(), 0u);
    EXPECT_EQ(g.GetOption(), 0);
}

TEST(CondEventFlag, SuccessiveReadsTakeSuccessiveFlagsThenFail)
{
    ecXml xml = XmlOf("<flag><code>1</code></flag><other/><flag><code>2</code></flag>");
    ecCondEventFlag a, b, c;
    ASSERT_TRUE(a.ReadXml(xml));
    ASSERT_TRUE(b.ReadXml(xml));
    EXPECT_FALSE(c.ReadXml(xml));
    EXPECT_EQ(a.GetCode(), 1u);
    EXPECT_EQ(b.GetCode(), 2u);
}

TEST(CondEventFlag, EmptyFlagElementCountsAsAbsent)
{
    ecXml xml = XmlOf("<flag></flag><flag><code>2</code></flag>");
    ecCondEventFlag f;
    EXPECT_FALSE(f.ReadXml(xml));
}

TEST(CondEventFlag, CopyKeepsCodesAndBitsButNotDepth)
{
    ecCondEventFlag f;
    f.SetCode(1);
    f.SetSetCode(2);
    f.SetClearCode(3);
    f.SetOption(6);
    f.SetTabDepth(5);
    ecCondEventFlag copy(f);
    EXPECT_EQ(copy.GetCode(), 1u);
    EXPECT_EQ(copy.GetSetCode(), 2u);
    EXPECT_EQ(copy.GetClearCode(), 3u);
    EXPECT_EQ(copy.GetOption(), 6);
    EXPECT_EQ(copy.GetTabDepth(), 0);
    ecCondEventFlag assigned;
    assigned.SetTabDepth(2);
    assigned = f;
    EXPECT_EQ(assigned.GetClearCode(), 3u);
    EXPECT_EQ(assigned.GetTabDepth(), 2);
}
