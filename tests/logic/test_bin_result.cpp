#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "logic_test_support.h"

using namespace logictest;

namespace {

TEST(BinResult, InitializeRefusesBadOrdersSizesAndEpochs)
{
    // "WholeFile" keeps a custom detrend interval that the IOF (reset to the
    // IOI by the check) no longer contains.
    ecEventRelatedEpoch bad;
    bad.sFilteringIntervalOption = "WholeFile";
    bad.fStartIOF = -1.0f;
    bad.fStopIOF = 1.0f;
    bad.sBaselineDetrend = "Custom";
    bad.fDetrendStart = -0.5f;
    bad.fDetrendStop = 0.0f;
    const std::string order = "[ecBinResult::Initialize] Technical error (nOrder<0 || nOrder>2)";
    const std::string size = "[ecBinResult::Initialize] Technical error nOrder>0 && nItems<=0)";
    const struct {
        int order, items;
        ecEventRelatedEpoch epoch;
        std::string message;
    } cases[] = {
        {3, 5, {}, order},
        {-1, 5, {}, order},
        {1, 0, {}, size},
        {2, -4, {}, size},
        {1, 3, bad,
         "[ecBinResult::Initialize] Interval of filtering (IOF) does not contain the baseline/detrend interval."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ecBinResult r;
        r.m_sID = "Kept";
        r.Initialize(1, 3, ecEventRelatedEpoch(), 1);
        EXPECT_EQ(EcErrorOf([&] { r.Initialize(c.order, c.items, c.epoch, 1); }), c.message);
        EXPECT_FALSE(r.m_bInitialized);
        EXPECT_EQ(r.m_nItems, 0);
        EXPECT_EQ(r.R1, nullptr);
        EXPECT_EQ(r.m_sID, "Kept");
    }
    ecBinResult r;
    EXPECT_EQ(EcErrorOf([&] { r.Initialize(0, 0, ecEventRelatedEpoch(), 1); }), "");
    EXPECT_TRUE(r.m_bInitialized);
    // The adjusted epoch is kept: no pre-event part turns "PreEvent" into "None".
    ecEventRelatedEpoch late;
    late.fStart = 0.1f;
    r.Initialize(1, 2, late, 7);
    EXPECT_EQ(r.m_Epoch.sBaselineDetrend, "None");
    EXPECT_EQ(r.m_nTag, 7);
    EXPECT_EQ(Selected(r), Indices());
}

TEST(BinResult, CopiesAreDeepAndMovesHandTheArraysOver)
{
    ecBinResult a;
    a.m_sID = "A";
    a.Initialize(1, 4, ecEventRelatedEpoch(), 3);
    a.R1[2] = true;
    ecBinResult b(a);
    b.R1[0] = true;
    EXPECT_EQ(Selected(a), Indices({2}));
    EXPECT_EQ(Selected(b), Indices({0, 2}));
    ecBinResult matrix;
    matrix.Initialize(2, 3, ecEventRelatedEpoch(), 1);
    matrix.R2[1][2] = true;
    EXPECT_TRUE(ecBinResult(matrix).R2[1][2]);
    // An uninitialised source carries its name and tag, nothing else.
    ecBinResult empty;
    empty.m_sID = "Empty";
    empty.m_nTag = 9;
    b = empty;
    EXPECT_FALSE(b.m_bInitialized);
    EXPECT_EQ(b.R1, nullptr);
    EXPECT_EQ(b.m_sID + std::to_string(b.m_nTag), "Empty9");

    const bool* array = a.R1;
    ecBinResult moved(std::move(a));
    EXPECT_EQ(a.R1, nullptr);
    EXPECT_FALSE(a.m_bInitialized);
    ecBinResult target;
    target.Initialize(1, 9, ecEventRelatedEpoch(), 1);
    target = std::move(moved);
    EXPECT_EQ(moved.R1, nullptr);
    EXPECT_EQ(target.R1, array);
    EXPECT_EQ(target.m_sID + std::to_string(target.m_nItems) + std::to_string(target.m_nTag), "A43");
}

} // namespace
