#include "ecevents/foundation/ecBase.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/foundation/ecLabeledState.h"
#include "ecutil/ecXml.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

ecXml FromText(const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return xml;
}

std::string Written(ecBase& base)
{
    std::ostringstream out;
    base.WriteXml(out);
    return out.str();
}

std::string Written(ecLabeledState& state)
{
    std::ostringstream out;
    state.WriteXml(out);
    return out.str();
}

// A derived class whose getters answer differently from its fields: copies
// must go through the getters.
class Answering : public ecBase {
public:
    long GetState() const override { return 11; }
    long GetOption() const override { return 12; }
    long GetInstanceType() const override { return 13; }
    long GetErrorCode() const override { return 14; }
    bool IsDirty() const override { return true; }
};

} // namespace

// ---------------------------------------------------------------------------
// ecBase

TEST(Base, DefaultsAndTypedConstruction)
{
    ecBase base;
    EXPECT_EQ(base.GetState(), 0);
    EXPECT_EQ(base.GetOption(), 0);
    EXPECT_EQ(base.GetInstanceType(), 0);
    EXPECT_EQ(base.GetErrorCode(), 0);
    EXPECT_FALSE(base.IsDirty());
    ecBase typed(static_cast<ecBase::instanceType>(5));
    EXPECT_EQ(typed.GetInstanceType(), 5);
    EXPECT_EQ(typed.GetState(), 0);
}

TEST(Base, FlagsSetAndClearBits)
{
    ecBase base;
    base.SetState(1);
    base.SetStateFlag(6);
    EXPECT_EQ(base.GetState(), 7);
    base.ClearStateFlag(2);
    EXPECT_EQ(base.GetState(), 5);
    base.SetOption(0x10);
    base.SetOptionFlag(0x3);
    EXPECT_EQ(base.GetOption(), 0x13);
    base.ClearOptionFlag(0x11);
    EXPECT_EQ(base.GetOption(), 0x2);
    base.SetInstanceType(9);
    EXPECT_EQ(base.GetInstanceType(), 9);
    base.SetDirty(true);
    EXPECT_TRUE(base.IsDirty());
}

TEST(Base, EqualityIgnoresErrorCodeAndDirtyFlag)
{
    ecBase a;
    ecBase b;
    a.SetState(3);
    b.SetState(3);
    b.SetDirty(true);
    EXPECT_EQ(a == b, 1);
    ecXml xml = FromText("<state>3</state><ErrorCode>8</ErrorCode>");
    b.ReadXml(xml);  // the only way besides assignment to set an error code
    EXPECT_EQ(b.GetErrorCode(), 8);
    EXPECT_EQ(a == b, 1);
    b.SetInstanceType(1);
    EXPECT_EQ(a == b, 0);
    b.SetInstanceType(0);
    b.SetOption(1);
    EXPECT_EQ(a == b, 0);
}

TEST(Base, AssignmentAndCopyTakeAllFiveFieldsThroughTheGetters)
{
    Answering source;
    ecBase copy(source);
    EXPECT_EQ(copy.GetState(), 11);
    EXPECT_EQ(copy.GetOption(), 12);
    EXPECT_EQ(copy.GetInstanceType(), 13);
    EXPECT_EQ(copy.GetErrorCode(), 14);
    EXPECT_TRUE(copy.IsDirty());
    ecBase assigned;
    assigned = source;
    EXPECT_EQ(assigned.GetErrorCode(), 14);
    EXPECT_TRUE(assigned.IsDirty());
}

TEST(Base, DefaultWritesFiveZeroElementsBackToBack)
{
    ecBase base;
    EXPECT_EQ(Written(base),
              "<state>0</state><option>0</option><ErrorCode>0</ErrorCode><InstanceType>0</InstanceType>"
              "<bDirtyFlag>0</bDirtyFlag>");
}

TEST(Base, NegativeWordsAreWrittenUnsignedAndReadBack)
{
    ecBase base;
    base.SetState(-1);
    base.SetOption(static_cast<long>(INT32_MIN));
    base.SetInstanceType(-2);
    base.SetDirty(true);
    const std::string text = Written(base);
    EXPECT_NE(text.find("<state>4294967295</state>"), std::string::npos);
    EXPECT_NE(text.find("<option>2147483648</option>"), std::string::npos);
    EXPECT_NE(text.find("<InstanceType>4294967294</InstanceType>"), std::string::npos);
    EXPECT_NE(text.find("<bDirtyFlag>1</bDirtyFlag>"), std::string::npos);
    ecBase back;
    ecXml xml = FromText(text);
    EXPECT_TRUE(back.ReadXml(xml));
    EXPECT_EQ(back.GetState(), -1);
    EXPECT_EQ(back.GetOption(), static_cast<long>(INT32_MIN));
    EXPECT_EQ(back.GetInstanceType(), -2);
    EXPECT_TRUE(back.IsDirty());
    EXPECT_EQ(back == base, 1);
}

TEST(Base, ReadXmlStoresWhateverTheReaderGivesForMissingTags)
{
    ecBase base;
    base.SetState(4);
    base.SetDirty(true);
    ecXml xml = FromText("<option>2</option>");
    EXPECT_TRUE(base.ReadXml(xml));
    EXPECT_EQ(base.GetState(), 0);
    EXPECT_EQ(base.GetOption(), 2);
    EXPECT_FALSE(base.IsDirty());
}

TEST(Base, ReadXmlReadsTheCurrentContentWithoutDescending)
{
    // The five fields are found wherever they stand in the reader's text.
    ecXml xml = FromText("<wrap><state>6</state></wrap>");
    ecBase base;
    base.ReadXml(xml);
    EXPECT_EQ(base.GetState(), 6);
}

// ---------------------------------------------------------------------------
// ecError

TEST(Error, CarriesMessageAndDefaults)
{
    const ecError e("[ecBinList::GetBin]: Index is out of range.");
    EXPECT_STREQ(e.what(), "[ecBinList::GetBin]: Index is out of range.");
    EXPECT_EQ(e.m_iValue1, 0);
    EXPECT_EQ(e.m_iValue2, -1);
    EXPECT_EQ(e.m_iValue3, -1);
    EXPECT_EQ(e.m_iValue4, 1);
}

TEST(Error, ArgumentOrderStartsWithTheFourthValue)
{
    const ecError e(std::string("m"), 4, 1, 2, 3);
    EXPECT_EQ(e.m_iValue4, 4);
    EXPECT_EQ(e.m_iValue1, 1);
    EXPECT_EQ(e.m_iValue2, 2);
    EXPECT_EQ(e.m_iValue3, 3);
    const ecError copy(e);
    EXPECT_STREQ(copy.what(), "m");
    EXPECT_EQ(copy.m_iValue2, 2);
}

TEST(Error, NullPointerGivesEmptyMessage)
{
    const char* none = nullptr;
    const ecError e(none);
    EXPECT_STREQ(e.what(), "");
}

TEST(Error, IsAStandardExceptionCaughtByValue)
{
    try {
        throw ecError("[ecEventList::ReadXml] Sampling rate has not been set.");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "[ecEventList::ReadXml] Sampling rate has not been set.");
        EXPECT_NE(dynamic_cast<const ecError*>(&e), nullptr);
    }
}

// ---------------------------------------------------------------------------
// ecLabeledState

TEST(LabeledState, DefaultWritesOneItemLine)
{
    ecLabeledState state;
    EXPECT_EQ(Written(state), "<item><l></l><s>0</s><DataUnit></DataUnit><UseDataUnit>0</UseDataUnit>"
                              "<UseSIPrefix>0</UseSIPrefix></item>\n");
}

TEST(LabeledState, WriteReadRoundTrip)
{
    ecLabeledState state;
    state.SetLabel("Fz & Cz");
    state.SetState(-3);
    state.SetDataUnit("uV");
    state.SetUseDataUnit(true);
    state.SetUseSIPrefix(true);
    ecXml xml = FromText(Written(state));
    ecLabeledState back;
    EXPECT_TRUE(back.ReadXml(xml));
    EXPECT_EQ(back.GetLabel(), "Fz & Cz");
    EXPECT_EQ(back.GetState(), -3);
    EXPECT_EQ(back.GetDataUnit(), "uV");
    EXPECT_TRUE(back.UseDataUnit());
    EXPECT_TRUE(back.UseSIPrefix());
    EXPECT_EQ(back == state, 1);
}

TEST(LabeledState, LabelWithLessThanIsWrittenUnchangedAndReadsBack)
{
    ecLabeledState state;
    state.SetLabel("a<b");
    const std::string text = Written(state);
    EXPECT_NE(text.find("<l>a<b</l>"), std::string::npos);
    ecXml xml = FromText(text);
    ecLabeledState back;
    back.ReadXml(xml);
    EXPECT_EQ(back.GetLabel(), "a<b");
}

TEST(LabeledState, DefaultReadBackClearsLabelAndState)
{
    ecLabeledState empty;
    ecXml xml = FromText(Written(empty));
    ecLabeledState state;
    state.SetLabel("old label");
    state.SetState(9);
    state.SetUseSIPrefix(true);
    state.ReadXml(xml);
    EXPECT_EQ(state.GetLabel(), "");
    EXPECT_EQ(state.GetState(), 0);
    EXPECT_FALSE(state.UseSIPrefix());  // the element is present and says 0
}

TEST(LabeledState, MissingOptionalElementsKeepTheirFields)
{
    ecXml xml = FromText("<item><l>new</l><s>2</s></item>");
    ecLabeledState state;
    state.SetDataUnit("mV");
    state.SetUseDataUnit(true);
    state.SetUseSIPrefix(true);
    state.SetOption(5);
    state.SetDirty(true);
    state.ReadXml(xml);
    EXPECT_EQ(state.GetLabel(), "new");
    EXPECT_EQ(state.GetState(), 2);
    EXPECT_EQ(state.GetDataUnit(), "mV");
    EXPECT_TRUE(state.UseDataUnit());
    EXPECT_TRUE(state.UseSIPrefix());
    EXPECT_EQ(state.GetOption(), 5);  // neither written nor read
    EXPECT_TRUE(state.IsDirty());
}

TEST(LabeledState, NoItemGivesEmptyLabelAndZeroState)
{
    ecXml xml = FromText("<other>1</other>");
    ecLabeledState state;
    state.SetLabel("x");
    state.SetState(3);
    state.SetDataUnit("uV");
    EXPECT_TRUE(state.ReadXml(xml));
    EXPECT_EQ(state.GetLabel(), "");
    EXPECT_EQ(state.GetState(), 0);
    EXPECT_EQ(state.GetDataUnit(), "uV");
}

TEST(LabeledState, SuccessiveReadsTakeSuccessiveItems)
{
    ecXml xml = FromText("<item><l>one</l><s>1</s></item>\n<item><l>two</l><s>2</s></item>\n");
    ecLabeledState a;
    ecLabeledState b;
    a.ReadXml(xml);
    b.ReadXml(xml);
    EXPECT_EQ(a.GetLabel(), "one");
    EXPECT_EQ(b.GetLabel(), "two");
    EXPECT_EQ(b.GetState(), 2);
}

TEST(LabeledState, EqualityIgnoresInstanceTypeErrorCodeAndDirtyFlag)
{
    ecLabeledState a;
    ecLabeledState b;
    a.SetLabel("L");
    b.SetLabel("L");
    b.SetInstanceType(4);
    b.SetDirty(true);
    EXPECT_EQ(a == b, 1);
    b.SetUseSIPrefix(true);
    EXPECT_EQ(a == b, 0);
    b.SetUseSIPrefix(false);
    b.SetDataUnit("uV");
    EXPECT_EQ(a == b, 0);
    b.SetDataUnit("");
    b.SetLabel("l");
    EXPECT_EQ(a == b, 0);
}

TEST(LabeledState, CopyAndAssignmentTakeEverything)
{
    ecLabeledState a;
    a.SetLabel("L");
    a.SetState(1);
    a.SetOption(2);
    a.SetInstanceType(3);
    a.SetDirty(true);
    a.SetDataUnit("T");
    a.SetUseDataUnit(true);
    ecLabeledState copy(a);
    EXPECT_EQ(copy.GetLabel(), "L");
    EXPECT_EQ(copy.GetOption(), 2);
    EXPECT_EQ(copy.GetInstanceType(), 3);
    EXPECT_TRUE(copy.IsDirty());
    EXPECT_TRUE(copy.UseDataUnit());
    ecLabeledState assigned;
    assigned = a;
    EXPECT_EQ(assigned.GetDataUnit(), "T");
    EXPECT_EQ(assigned.GetInstanceType(), 3);
    a.SetLabel("changed");
    EXPECT_EQ(copy.GetLabel(), "L");
}

TEST(LabeledState, SettersLeaveTheDirtyFlagAlone)
{
    ecLabeledState state;
    state.SetLabel("x");
    state.SetDataUnit("y");
    state.SetUseDataUnit(true);
    state.SetUseSIPrefix(true);
    EXPECT_FALSE(state.IsDirty());
}
