#include "ecutil/ecArray.h"
#include "ecutil/ecRandom.h"
#include "ecutil/ecStrings.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// ecRandom

TEST(Random, IntegerRangeStaysWithinInclusiveBoundsAndReachesBoth)
{
    ecRandom random;
    random.Initialize(42L);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int r = random.IntegerRange(0, 4);
        ASSERT_GE(r, 0);
        ASSERT_LE(r, 4);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 5u);  // both bounds are drawn
    for (int i = 0; i < 100; ++i) {
        const int r = random.IntegerRange(-3, -1);
        ASSERT_GE(r, -3);
        ASSERT_LE(r, -1);
    }
    EXPECT_EQ(random.IntegerRange(7, 7), 7);
}

TEST(Random, ExtremeBoundsDoNotOverflow)
{
    ecRandom random;
    random.Initialize(1L);
    bool negative = false;
    bool positive = false;
    for (int i = 0; i < 200; ++i) {
        const int r = random.IntegerRange(INT_MIN, INT_MAX);
        negative = negative || r < 0;
        positive = positive || r > 0;
    }
    EXPECT_TRUE(negative);
    EXPECT_TRUE(positive);
}

TEST(Random, SeededGeneratorsRepeatTheirSequence)
{
    ecRandom a;
    ecRandom b;
    a.Initialize(2024L);
    b.Initialize(2024L);
    std::vector<int> first;
    std::vector<int> second;
    for (int i = 0; i < 50; ++i) {
        first.push_back(a.IntegerRange(1, 1000000));
        second.push_back(b.IntegerRange(1, 1000000));
    }
    EXPECT_EQ(first, second);
    ecRandom c;
    c.Initialize(2025L);
    std::vector<int> other;
    for (int i = 0; i < 50; ++i)
        other.push_back(c.IntegerRange(1, 1000000));
    EXPECT_NE(first, other);
}

TEST(Random, CopiesContinueTheSameSequence)
{
    ecRandom a;
    a.Initialize(7L);
    for (int i = 0; i < 10; ++i)
        a.IntegerRange(0, 99);
    ecRandom copy(a);
    ecRandom assigned;
    assigned = a;
    for (int i = 0; i < 20; ++i) {
        const int r = a.IntegerRange(0, 99);
        EXPECT_EQ(copy.IntegerRange(0, 99), r);
        EXPECT_EQ(assigned.IntegerRange(0, 99), r);
    }
}

TEST(Random, UnseededInitializeGivesDifferentRuns)
{
    // Two unseeded generators agreeing on 20 draws from a million values is
    // practically impossible unless the seed ignores the run.
    ecRandom a;
    ecRandom b;
    a.Initialize();
    b.Initialize();
    bool differs = false;
    for (int i = 0; i < 20 && !differs; ++i)
        differs = a.IntegerRange(0, 1000000) != b.IntegerRange(0, 1000000);
    EXPECT_TRUE(differs);
}

// ---------------------------------------------------------------------------
// String functions

TEST(Strings, LeftRightMidClipToTheString)
{
    EXPECT_EQ(LeftString("EXCLUDE3", 7), "EXCLUDE");
    EXPECT_EQ(LeftString("abc", 10), "abc");
    EXPECT_EQ(LeftString("abc", 0), "");
    EXPECT_EQ(LeftString("abc", -2), "");
    EXPECT_EQ(RightString("EXCLUDE12", 2), "12");
    EXPECT_EQ(RightString("abc", 5), "abc");
    EXPECT_EQ(RightString("abc", -1), "");
    EXPECT_EQ(MidString("[EX4]", 3, 1), "4");
    EXPECT_EQ(MidString("abcdef", 4, 10), "ef");
    EXPECT_EQ(MidString("abc", 3, 1), "");
    EXPECT_EQ(MidString("abc", -1, 2), "");
    EXPECT_EQ(MidString("abc", 1, 0), "");
    EXPECT_EQ(MidString("", 0, 1), "");
}

TEST(Strings, ToUpperIsInPlaceAndAsciiOnly)
{
    std::string s = "Exclude-2 [seg]";
    ToUpper(s);
    EXPECT_EQ(s, "EXCLUDE-2 [SEG]");
    std::string high = "\xC3\xA9x";
    ToUpper(high);
    EXPECT_EQ(high, "\xC3\xA9X");
}

TEST(Strings, SplitFieldsAppendsPieces)
{
    std::vector<std::string> fields;
    std::string tag = "Cond:A";
    SplitFields(tag, fields, ":");
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0], "Cond");
    EXPECT_EQ(fields[1], "A");

    std::vector<std::string> three;
    std::string abc = "a:b:c";
    SplitFields(abc, three, ":");
    EXPECT_EQ(three.size(), 3u);

    std::vector<std::string> one;
    std::string plain = "Cond";
    SplitFields(plain, one, ":");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], "Cond");

    // Fields are appended to what the vector already holds.
    std::string more = "x;y,z";
    SplitFields(more, fields, ";,");
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[4], "z");
}

TEST(Strings, FromStringParsesWholeDecimalText)
{
    int value = -1;
    EXPECT_TRUE(from_string(value, "3", std::dec));
    EXPECT_EQ(value, 3);
    EXPECT_TRUE(from_string(value, "-2", std::dec));
    EXPECT_EQ(value, -2);
    EXPECT_TRUE(from_string(value, "ff", std::hex));
    EXPECT_EQ(value, 255);

    value = -1;
    EXPECT_FALSE(from_string(value, "", std::dec));
    EXPECT_FALSE(from_string(value, "abc", std::dec));
    EXPECT_FALSE(from_string(value, "3x", std::dec));
    EXPECT_FALSE(from_string(value, "99999999999", std::dec));
    EXPECT_EQ(value, -1);  // failures leave the value alone
}

// ---------------------------------------------------------------------------
// ecArray

TEST(Array, VectorsAreZeroFilled)
{
    bool* v = nullptr;
    ASSERT_TRUE(ecArray::Alloc(v, 1000));
    ASSERT_NE(v, nullptr);
    for (int i = 0; i < 1000; ++i)
        ASSERT_FALSE(v[i]);
    v[999] = true;
    ecArray::Free(v);
    EXPECT_EQ(v, nullptr);
    ASSERT_TRUE(ecArray::Alloc(v, 0));  // an empty selection is valid storage
    ecArray::Free(v);
    EXPECT_FALSE(ecArray::Alloc(v, -1));
}

TEST(Array, MatricesAreZeroFilledAndRowsDistinct)
{
    bool** m = nullptr;
    ASSERT_TRUE(ecArray::Alloc(m, 3, 4));
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            ASSERT_FALSE(m[r][c]);
    m[1][3] = true;
    EXPECT_FALSE(m[2][0]);
    EXPECT_FALSE(m[0][3]);
    ecArray::Free(m);
    EXPECT_EQ(m, nullptr);
    ASSERT_TRUE(ecArray::Alloc(m, 0, 5));
    ecArray::Free(m);
    ASSERT_TRUE(ecArray::Alloc(m, 2, 0));
    ecArray::Free(m);
    EXPECT_FALSE(ecArray::Alloc(m, -1, 2));
}

TEST(Array, FreeAcceptsNull)
{
    bool* v = nullptr;
    bool** m = nullptr;
    ecArray::Free(v);
    ecArray::Free(m);
    EXPECT_EQ(v, nullptr);
    EXPECT_EQ(m, nullptr);
    // Free before every allocation, as callers do, twice in a row.
    ASSERT_TRUE(ecArray::Alloc(v, 4));
    ecArray::Free(v);
    ecArray::Free(v);
    EXPECT_EQ(v, nullptr);
}
