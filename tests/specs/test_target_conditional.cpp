#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecTarget.h"
#include "ecutil/ecXml.h"

namespace {

ecXml XmlOf(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

template <class T>
std::string Written(T& spec)
{
    std::ostringstream out;
    spec.WriteXml(out);
    return out.str();
}

ecCondEventFlag* NewFlag(unsigned int code, long option, unsigned int set = 0, unsigned int clear = 0)
{
    auto* f = new ecCondEventFlag;
    f->SetCode(code);
    f->SetOption(option);
    f->SetSetCode(set);
    f->SetClearCode(clear);
    return f;
}

ecTimeAnchor Anchor(bool minus, float latency, const std::string& name)
{
    ecTimeAnchor a;
    if (minus)
        a.SetOptionFlag(ecTimeAnchor::kMinus);
    a.SetLatencyWRTSpecifier(latency);
    a.SetName(name);
    return a;
}

// Reads the message an ecError carries; empty when nothing was thrown.
template <class F>
std::string Thrown(F f)
{
    try {
        f();
    } catch (const ecError& e) {
        return e.what();
    }
    return std::string();
}

std::string Repeated(const std::string& element, int n)
{
    std::string s;
    s.reserve(element.size() * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        s += element;
    return s;
}

} // namespace

TEST(Target, WritesItsElementWithNamesAndFlagsOneTabDeeper)
{
    ecTarget t;
    t.SetName("T0");
    t.AddEvent("S1");
    t.AddEvent("S2");
    t.GetpvFlags()->push_back(NewFlag(3, ecCondEventFlag::kSet, 4));
    t.SetOption(7);
    t.SetTabDepth(2);
    EXPECT_EQ(Written(t),
              "\t\t<target>\n"
              "\t\t\t<name>T0</name>\n"
              "\t\t\t<event>S1</event>\n"
              "\t\t\t<event>S2</event>\n"
              "\t\t\t<flag>\n"
              "\t\t\t\t<code>3</code>\n"
              "\t\t\t\t<s>4</s>\n"
              "\t\t\t</flag>\n"
              "\t\t</target>\n");
}

TEST(Target, ReadBackLosesOnlyTheOptionWord)
{
    ecTarget t;
    t.SetName("Go");
    t.AddEvent("A");
    t.AddEvent("A");
    t.AddEvent("B");
    t.GetpvFlags()->push_back(NewFlag(1, ecCondEventFlag::kInvert));
    t.GetpvFlags()->push_back(NewFlag(2, ecCondEventFlag::kClear, 0, 8));
    t.SetOption(5);
    ecXml xml = XmlOf(Written(t));
    ecTarget r;
    ASSERT_TRUE(r.ReadXml(xml));
    EXPECT_EQ(r.GetName(), "Go");
    EXPECT_EQ(*r.GetpEventNames(), (std::vector<std::string>{"A", "A", "B"}));
    ASSERT_EQ(r.GetNumFlags(), 2);
    EXPECT_EQ((*r.GetpvFlags())[0]->GetOption(), ecCondEventFlag::kInvert);
    EXPECT_EQ((*r.GetpvFlags())[1]->GetClearCode(), 8u);
    EXPECT_EQ(r.GetOption(), 0);
}

TEST(Target, ReadingAppendsToWhatIsHeld)
{
    ecTarget t;
    t.AddEvent("old");
    t.GetpvFlags()->push_back(NewFlag(1, 0));
    ecXml xml = XmlOf("<target><name>N</name><event>new</event><flag><code>2</code></flag></target>");
    ASSERT_TRUE(t.ReadXml(xml));
    EXPECT_EQ(*t.GetpEventNames(), (std::vector<std::string>{"old", "new"}));
    EXPECT_EQ(t.GetNumFlags(), 2);
}

TEST(Target, EmptyEventElementEndsTheNameList)
{
    ecTarget t;
    ecXml xml = XmlOf("<target><name>N</name><event>a</event><event></event><event>b</event></target>");
    ASSERT_TRUE(t.ReadXml(xml));
    EXPECT_EQ(*t.GetpEventNames(), (std::vector<std::string>{"a"}));
}

TEST(Target, AbsentOrEmptyElementIsNotRead)
{
    ecTarget t;
    t.SetName("keep");
    ecXml none = XmlOf("<conditional><name>C</name></conditional>");
    EXPECT_FALSE(t.ReadXml(none));
    ecXml empty = XmlOf("<target></target>");
    EXPECT_FALSE(t.ReadXml(empty));
    EXPECT_EQ(t.GetName(), "keep");
}

TEST(Target, SuccessiveReadsTakeSuccessiveTargets)
{
    ecXml xml = XmlOf("<target><name>A</name></target><target><name>B</name></target>");
    ecTarget a, b, c;
    ASSERT_TRUE(a.ReadXml(xml));
    ASSERT_TRUE(b.ReadXml(xml));
    EXPECT_FALSE(c.ReadXml(xml));
    EXPECT_EQ(a.GetName(), "A");
    EXPECT_EQ(b.GetName(), "B");
}

TEST(Target, KeepsAtMost9999EventNames)
{
    const std::string limit = "<target><name>N</name>" + Repeated("<event>e</event>", 9999) + "</target>";
    ecTarget ok;
    ecXml xml = XmlOf(limit);
    ASSERT_TRUE(ok.ReadXml(xml));
    EXPECT_EQ(ok.GetNumEvents(), 9999);

    ecTarget over;
    ecXml xml2 = XmlOf("<target><name>N</name>" + Repeated("<event>e</event>", 10000) + "</target>");
    EXPECT_EQ(Thrown([&] { over.ReadXml(xml2); }), "[ecTarget::ReadXml] Event limit exceeded.");
    EXPECT_EQ(over.GetNumEvents(), 9999);
}

TEST(Target, KeepsAtMost9999Flags)
{
    ecTarget ok;
    ecXml xml = XmlOf("<target><name>N</name>" + Repeated("<flag><code>1</code></flag>", 9999) + "</target>");
    ASSERT_TRUE(ok.ReadXml(xml));
    EXPECT_EQ(ok.GetNumFlags(), 9999);
    ecTarget over;
    ecXml xml2 = XmlOf("<target><name>N</name>" + Repeated("<flag><code>1</code></flag>", 10000) + "</target>");
    EXPECT_EQ(Thrown([&] { over.ReadXml(xml2); }), "[ecTarget::ReadXml] Flag limit exceeded.");
    EXPECT_EQ(over.GetNumFlags(), 9999);
}

TEST(Target, CopiesAreDeep)
{
    ecTarget t;
    t.SetName("T");
    t.AddEvent("a");
    t.GetpvFlags()->push_back(NewFlag(4, 0));
    t.GetpTimeAnchor()->SetEventListIndex(3);
    ecTarget copy(t);
    ASSERT_EQ(copy.GetNumFlags(), 1);
    EXPECT_NE((*copy.GetpvFlags())[0], (*t.GetpvFlags())[0]);
    EXPECT_EQ((*copy.GetpvFlags())[0]->GetCode(), 4u);
    EXPECT_EQ(copy.GetpTimeAnchor()->GetEventListIndex(), 3);
    (*t.GetpvFlags())[0]->SetCode(9);
    EXPECT_EQ((*copy.GetpvFlags())[0]->GetCode(), 4u);

    ecTarget assigned;
    assigned.GetpvFlags()->push_back(NewFlag(1, 0));
    assigned.GetpvFlags()->push_back(NewFlag(2, 0));
    assigned = t;
    ASSERT_EQ(assigned.GetNumFlags(), 1);
    EXPECT_EQ((*assigned.GetpvFlags())[0]->GetCode(), 9u);
    EXPECT_EQ(*assigned.GetpEventNames(), std::vector<std::string>{"a"});
    assigned = assigned;
    EXPECT_EQ(assigned.GetNumFlags(), 1);
}

TEST(Target, ResetClearsItsAnchor)
{
    ecTarget t;
    t.GetpTimeAnchor()->SetEventListIndex(5);
    t.GetpTimeAnchor()->SetLatencyAbsolute(2.0f);
    t.ResetRuntimeParameters();
    EXPECT_EQ(t.GetpTimeAnchor()->GetEventListIndex(), -1);
    EXPECT_EQ(t.GetpTimeAnchor()->GetLatencyAbsolute(), 0.0f);
}

TEST(Conditional, WritesItsElementWithModeAfterTheNames)
{
    ecConditional c;
    c.SetName("C0");
    c.SetProperties(Anchor(true, 0.2f, "T0"), Anchor(true, 1.5f, "T0"),
                    ecConditional::kWindow | ecConditional::kPermeable);
    c.AddEvent("R");
    c.GetpvFlags()->push_back(NewFlag(1, ecCondEventFlag::kInvert));
    c.SetTabDepth(1);
    EXPECT_EQ(Written(c),
              "\t<conditional>\n"
              "\t\t<name>C0</name>\n"
              "\t\t<option>6</option>\n"
              "\t\t<pre>\n"
              "\t\t\t<logic>-</logic>\n"
              "\t\t\t<latency>0.2</latency>\n"
              "\t\t\t<EventSpecifier>T0</EventSpecifier>\n"
              "\t\t</pre>\n"
              "\t\t<post>\n"
              "\t\t\t<logic>-</logic>\n"
              "\t\t\t<latency>1.5</latency>\n"
              "\t\t\t<EventSpecifier>T0</EventSpecifier>\n"
              "\t\t</post>\n"
              "\t\t<event>R</event>\n"
              "\t\t<mode>permeable</mode>\n"
              "\t\t<flag>\n"
              "\t\t\t<code>1</code>\n"
              "\t\t\t<logic>~</logic>\n"
              "\t\t</flag>\n"
              "\t</conditional>\n");
}

TEST(Conditional, ReadsBackWhole)
{
    for (unsigned int option = 0; option < 8; ++option) {
        ecConditional c;
        c.SetName("Ctx");
        c.SetProperties(Anchor(option & 1, 0.125f, "T0"), Anchor(!(option & 1), 2.5f, "C1"), option);
        c.AddEvent("x");
        c.AddEvent("y");
        c.GetpvFlags()->push_back(NewFlag(6, ecCondEventFlag::kSet | ecCondEventFlag::kClear, 1, 2));
        c.GetpvFlags()->push_back(NewFlag(8, 0));
        ecXml xml = XmlOf(Written(c));
        ecConditional r;
        ASSERT_TRUE(r.ReadXml(xml));
        EXPECT_EQ(r.GetName(), "Ctx");
        EXPECT_EQ(r.GetOption(), static_cast<long>(option));
        EXPECT_EQ(r.IsPermeable(), (option & ecConditional::kPermeable) != 0);
        EXPECT_EQ(r.GetpTimeAnchorPre()->IsMinus(), (option & 1) != 0);
        EXPECT_EQ(r.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.125f);
        EXPECT_EQ(r.GetpTimeAnchorPre()->GetName(), "T0");
        EXPECT_EQ(r.GetpTimeAnchorPost()->IsMinus(), (option & 1) == 0);
        EXPECT_EQ(r.GetpTimeAnchorPost()->GetLatencyWRTSpecifier(), 2.5f);
        EXPECT_EQ(r.GetpTimeAnchorPost()->GetName(), "C1");
        EXPECT_EQ(*r.GetpEventNames(), (std::vector<std::string>{"x", "y"}));
        ASSERT_EQ(r.GetNumFlags(), 2);
        EXPECT_EQ((*r.GetpvFlags())[0]->GetClearCode(), 2u);
        EXPECT_EQ((*r.GetpvFlags())[1]->GetCode(), 8u);
        // Written again, it gives the same text.
        EXPECT_EQ(Written(r), Written(c));
    }
}

TEST(Conditional, ModeTextDecidesPermeabilityWhateverTheOptionSays)
{
    ecConditional noMode;
    ecXml xml = XmlOf("<conditional><name>C</name><option>2</option></conditional>");
    ASSERT_TRUE(noMode.ReadXml(xml));
    EXPECT_FALSE(noMode.IsPermeable());

    ecConditional odd;
    ecXml xml2 = XmlOf("<conditional><name>C</name><option>2</option><mode>Permeable</mode></conditional>");
    ASSERT_TRUE(odd.ReadXml(xml2));
    EXPECT_FALSE(odd.IsPermeable());

    ecConditional perm;
    ecXml xml3 = XmlOf("<conditional><name>C</name><option>5</option><mode>permeable</mode></conditional>");
    ASSERT_TRUE(perm.ReadXml(xml3));
    EXPECT_TRUE(perm.IsPermeable());
    EXPECT_EQ(perm.GetOption(), 7);
}

TEST(Conditional, AbsentAnchorElementsLeaveTheAnchors)
{
    ecConditional c;
    c.SetProperties(Anchor(true, 1.0f, "A"), Anchor(false, 2.0f, "B"), 0);
    ecXml xml = XmlOf("<conditional><name>C</name><pre></pre><event>e</event></conditional>");
    ASSERT_TRUE(c.ReadXml(xml));
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetName(), "A");
    EXPECT_TRUE(c.GetpTimeAnchorPre()->IsMinus());
    EXPECT_EQ(c.GetpTimeAnchorPost()->GetName(), "B");
}

TEST(Conditional, KeepsAtMost9999EventNamesAndFlags)
{
    ecConditional names;
    ecXml xml = XmlOf("<conditional><name>N</name>" + Repeated("<event>e</event>", 10000) + "</conditional>");
    EXPECT_EQ(Thrown([&] { names.ReadXml(xml); }), "[ecConditional::ReadXml] Event limit exceeded.");
    EXPECT_EQ(names.GetNumEvents(), 9999);
    ecConditional flags;
    ecXml xml2 =
        XmlOf("<conditional><name>N</name>" + Repeated("<flag><code>1</code></flag>", 10000) + "</conditional>");
    EXPECT_EQ(Thrown([&] { flags.ReadXml(xml2); }), "[ecConditional::ReadXml] Flag limit exceeded.");
    EXPECT_EQ(flags.GetNumFlags(), 9999);
}

TEST(Conditional, PermeabilityAndDirection)
{
    ecConditional c;
    EXPECT_FALSE(c.IsPermeable());
    c.SetPermeable();
    EXPECT_TRUE(c.IsPermeable());
    EXPECT_EQ(c.GetOption(), ecConditional::kPermeable);
    c.SetImpermeable();
    EXPECT_EQ(c.GetOption(), 0);
    EXPECT_FALSE(c.IsBeforeT0());
    c.GetpTimeAnchorPre()->SetOptionFlag(ecTimeAnchor::kMinus);
    EXPECT_TRUE(c.IsBeforeT0());
    c.GetpTimeAnchorPost()->ClearOptionFlag(ecTimeAnchor::kMinus);
    EXPECT_TRUE(c.IsBeforeT0());
}

TEST(Conditional, SetPropertiesCopiesAnchorsAndReplacesTheOptionWord)
{
    ecConditional c;
    c.SetOption(ecConditional::kNegated);
    c.GetpTimeAnchorPre()->SetDisplayCoords(3, 4);
    ecTimeAnchor pre = Anchor(true, 0.5f, "T0");
    pre.SetEventListIndex(7);
    pre.SetState(2);
    c.SetProperties(pre, Anchor(false, 1.0f, "C0"), ecConditional::kWindow);
    EXPECT_EQ(c.GetOption(), ecConditional::kWindow);
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetName(), "T0");
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetEventListIndex(), 7);
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetState(), 2);
    EXPECT_TRUE(c.GetpTimeAnchorPre()->IsMinus());
    EXPECT_EQ(c.GetpTimeAnchorPost()->GetName(), "C0");
    int x = 0, y = 0;
    c.GetpTimeAnchorPre()->GetDisplayCoords(x, y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 4);
}

TEST(Conditional, SwapExchangesSignsLatenciesNamesAndRunTimeFields)
{
    ecConditional c;
    ecTimeAnchor pre = Anchor(true, 0.5f, "A");
    pre.SetEventListIndex(1);
    ecTimeAnchor post = Anchor(false, 0.7f, "B");
    post.SetLatencyAbsolute(9.0f);
    c.SetProperties(pre, post, 0);
    c.SwapTimeAnchors();
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetName(), "B");
    EXPECT_FALSE(c.GetpTimeAnchorPre()->IsMinus());
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.7f);
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyAbsolute(), 9.0f);
    EXPECT_EQ(c.GetpTimeAnchorPost()->GetName(), "A");
    EXPECT_TRUE(c.GetpTimeAnchorPost()->IsMinus());
    EXPECT_EQ(c.GetpTimeAnchorPost()->GetEventListIndex(), 1);
}

TEST(Conditional, ConsistencyCheckPutsTheNearerEdgeFirst)
{
    // Same sign, same specifier, window on: the larger latency goes to post.
    for (bool minus : {false, true}) {
        ecConditional c;
        c.SetProperties(Anchor(minus, 0.5f, "T0"), Anchor(minus, 0.2f, "T0"), ecConditional::kWindow);
        c.ConsistencyCheck();
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.2f);
        EXPECT_EQ(c.GetpTimeAnchorPost()->GetLatencyWRTSpecifier(), 0.5f);
        c.ConsistencyCheck();
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.2f);
    }
    const struct {
        ecTimeAnchor pre, post;
        unsigned int option;
    } unchanged[] = {
        {Anchor(false, 0.5f, "T0"), Anchor(false, 0.2f, "T0"), 0},                      // no window
        {Anchor(false, 0.5f, "T0"), Anchor(true, 0.2f, "T0"), ecConditional::kWindow},  // mixed signs
        {Anchor(false, 0.5f, "T0"), Anchor(false, 0.2f, "C0"), ecConditional::kWindow}, // other specifier
        {Anchor(false, 0.5f, "T0"), Anchor(false, 0.5f, "T0"), ecConditional::kWindow}, // equal
    };
    for (const auto& u : unchanged) {
        ecConditional c;
        c.SetProperties(u.pre, u.post, u.option);
        c.GetpTimeAnchorPre()->SetEventListIndex(1);
        c.ConsistencyCheck();
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyWRTSpecifier(), 0.5f);
        EXPECT_EQ(c.GetpTimeAnchorPre()->GetEventListIndex(), 1);
    }
}

TEST(Conditional, ResetClearsAllThreeAnchors)
{
    ecConditional c;
    c.GetpTimeAnchor()->SetEventListIndex(1);
    c.GetpTimeAnchorPre()->SetLatencyAbsolute(1.0f);
    c.GetpTimeAnchorPost()->SetLatencyWRTHome(1.0f);
    c.GetpTimeAnchorPost()->SetName("keep");
    c.ResetRuntimeParameters();
    EXPECT_EQ(c.GetpTimeAnchor()->GetEventListIndex(), -1);
    EXPECT_EQ(c.GetpTimeAnchorPre()->GetLatencyAbsolute(), 0.0f);
    EXPECT_EQ(c.GetpTimeAnchorPost()->GetLatencyWRTHome(), 0.0f);
    EXPECT_EQ(c.GetpTimeAnchorPost()->GetName(), "keep");
}

TEST(Conditional, CopiesAreDeep)
{
    ecConditional c;
    c.SetName("C");
    c.SetProperties(Anchor(true, 0.1f, "T0"), Anchor(true, 0.3f, "T0"), 5);
    c.AddEvent("e");
    c.GetpvFlags()->push_back(NewFlag(2, 0));
    ecConditional copy(c);
    EXPECT_EQ(copy.GetOption(), 5);
    EXPECT_EQ(copy.GetpTimeAnchorPost()->GetLatencyWRTSpecifier(), 0.3f);
    ASSERT_EQ(copy.GetNumFlags(), 1);
    EXPECT_NE((*copy.GetpvFlags())[0], (*c.GetpvFlags())[0]);
    ecConditional assigned;
    assigned = c;
    EXPECT_EQ(Written(assigned), Written(c));
    EXPECT_NE((*assigned.GetpvFlags())[0], (*c.GetpvFlags())[0]);
}
