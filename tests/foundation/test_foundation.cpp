#include "ecevents/foundation/ecBase.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/foundation/ecLabeledState.h"
#include "ecutil/ecXml.h"
#include "../support/xml_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {


// Getters that answer differently from the fields: copies go through them.
class Answering : public ecBase {
public:
    long GetState() const override { return 11; }
    long GetOption() const override { return 12; }
    long GetInstanceType() const override { return 13; }
    long GetErrorCode() const override { return 14; }
    bool IsDirty() const override { return true; }
};

} // namespace

TEST(Base, FlagsEqualityAndCopyThroughGetters)
{
    ecBase base;
    base.SetState(1);
    base.SetStateFlag(6);
    base.ClearStateFlag(2);
    EXPECT_EQ(base.GetState(), 5);
    base.SetOption(0x10);
    base.SetOptionFlag(0x3);
    base.ClearOptionFlag(0x11);
    EXPECT_EQ(base.GetOption(), 0x2);

    ecBase a;
    ecBase b;
    b.SetDirty(true);
    ecXml xml = XmlOf("<ErrorCode>8</ErrorCode>");
    b.ReadXml(xml);  // the only way besides assignment to set an error code
    EXPECT_EQ(b.GetErrorCode(), 8);
    EXPECT_EQ(a == b, 1) << "error code and dirty flag are not compared";
    b.SetInstanceType(1);
    EXPECT_EQ(a == b, 0);

    Answering source;
    ecBase copy(source);
    ecBase assigned;
    assigned = source;
    for (const ecBase* c : {&copy, &assigned}) {
        EXPECT_EQ(c->GetState(), 11);
        EXPECT_EQ(c->GetOption(), 12);
        EXPECT_EQ(c->GetInstanceType(), 13);
        EXPECT_EQ(c->GetErrorCode(), 14);
        EXPECT_TRUE(c->IsDirty());
    }
}

TEST(Base, XmlTextAndUnsignedRoundTrip)
{
    ecBase base;
    EXPECT_EQ(Written(base), "<state>0</state><option>0</option><ErrorCode>0</ErrorCode><InstanceType>0</InstanceType>"
                             "<bDirtyFlag>0</bDirtyFlag>");
    base.SetState(-1);
    base.SetOption(static_cast<long>(INT32_MIN));
    base.SetInstanceType(-2);
    base.SetDirty(true);
    EXPECT_EQ(Written(base), "<state>4294967295</state><option>2147483648</option><ErrorCode>0</ErrorCode>"
                             "<InstanceType>4294967294</InstanceType><bDirtyFlag>1</bDirtyFlag>");
    ecBase back;
    ecXml xml = XmlOf("<wrap>" + Written(base) + "</wrap>");  // found without descending
    EXPECT_TRUE(back.ReadXml(xml));
    EXPECT_EQ(back.GetState(), -1);
    EXPECT_EQ(back.GetOption(), static_cast<long>(INT32_MIN));
    EXPECT_TRUE(back.IsDirty());
    EXPECT_EQ(back == base, 1);
    ecXml partial = XmlOf("<option>2</option>");
    EXPECT_TRUE(back.ReadXml(partial));
    EXPECT_EQ(back.GetState(), 0) << "a missing tag stores the reader's default";
    EXPECT_FALSE(back.IsDirty());
}

TEST(Error, MessageValuesAndArgumentOrder)
{
    const ecError e("[ecBinList::GetBin]: Index is out of range.");
    EXPECT_STREQ(e.what(), "[ecBinList::GetBin]: Index is out of range.");
    EXPECT_EQ(e.m_iValue1, 0);
    EXPECT_EQ(e.m_iValue2, -1);
    EXPECT_EQ(e.m_iValue3, -1);
    EXPECT_EQ(e.m_iValue4, 1);
    const ecError f(std::string("m"), 4, 1, 2, 3);
    EXPECT_EQ(f.m_iValue4, 4);
    EXPECT_EQ(f.m_iValue1, 1);
    EXPECT_EQ(f.m_iValue3, 3);
    const char* none = nullptr;
    EXPECT_STREQ(ecError(none).what(), "");
    const std::exception& base = e;
    EXPECT_NE(dynamic_cast<const ecError*>(&base), nullptr);
}

TEST(LabeledState, WrittenTextAndRoundTrip)
{
    ecLabeledState state;
    EXPECT_EQ(Written(state), "<item><l></l><s>0</s><DataUnit></DataUnit><UseDataUnit>0</UseDataUnit>"
                              "<UseSIPrefix>0</UseSIPrefix></item>\n");
    const std::string empty = Written(state);
    state.SetLabel("a<b & c");
    state.SetState(-3);
    state.SetDataUnit("uV");
    state.SetUseDataUnit(true);
    state.SetUseSIPrefix(true);
    EXPECT_FALSE(state.IsDirty()) << "setters leave the dirty flag alone";
    EXPECT_NE(Written(state).find("<l>a<b & c</l>"), std::string::npos) << "written unescaped";
    ecXml xml = XmlOf(Written(state) + empty);
    ecLabeledState back;
    EXPECT_TRUE(back.ReadXml(xml));
    EXPECT_EQ(back.GetLabel(), "a<b & c");
    EXPECT_EQ(back == state, 1);
    back.ReadXml(xml);  // the next item: present elements clear every field
    EXPECT_EQ(back.GetLabel(), "");
    EXPECT_EQ(back.GetState(), 0);
    EXPECT_FALSE(back.UseSIPrefix());
}

TEST(LabeledState, MissingElementsAndEquality)
{
    ecLabeledState state;
    state.SetDataUnit("mV");
    state.SetUseSIPrefix(true);
    state.SetOption(5);
    ecXml xml = XmlOf("<item><l>new</l><s>2</s></item>");
    state.ReadXml(xml);
    EXPECT_EQ(state.GetLabel(), "new");
    EXPECT_EQ(state.GetDataUnit(), "mV") << "absent optional elements keep their fields";
    EXPECT_TRUE(state.UseSIPrefix());
    EXPECT_EQ(state.GetOption(), 5);
    ecXml none = XmlOf("<other>1</other>");
    EXPECT_TRUE(state.ReadXml(none));
    EXPECT_EQ(state.GetLabel(), "");
    EXPECT_EQ(state.GetState(), 0);

    ecLabeledState a;
    ecLabeledState b;
    b.SetInstanceType(4);
    b.SetDirty(true);
    EXPECT_EQ(a == b, 1);
    b.SetDataUnit("uV");
    EXPECT_EQ(a == b, 0);
    ecLabeledState copy(b);
    ecLabeledState assigned;
    assigned = b;
    EXPECT_EQ(copy.GetInstanceType(), 4);
    EXPECT_TRUE(assigned.IsDirty());
    EXPECT_EQ(assigned.GetDataUnit(), "uV");
}
