#include <gtest/gtest.h>

#include <string>

#include "LogicTestSupport.h"

namespace {

std::string InitializeMessage(ecBinResult& r, int order, int items, const ecEventRelatedEpoch& epoch)
{
    try {
        r.Initialize(order, items, epoch, 1);
    } catch (const ecError& e) {
        return e.what();
    }
    return "";
}

TEST(BinResult, FreshResultIsUninitialisedUnnamedWithTagOne)
{
    ecBinResult r;
    EXPECT_EQ(r.m_nOrder, 0);
    EXPECT_EQ(r.m_nItems, 0);
    EXPECT_EQ(r.m_sID, "");
    EXPECT_FALSE(r.m_bPopped);
    EXPECT_FALSE(r.m_bHidden);
    EXPECT_FALSE(r.R0);
    EXPECT_EQ(r.R1, nullptr);
    EXPECT_EQ(r.R2, nullptr);
    EXPECT_FALSE(r.m_bInitialized);
    EXPECT_EQ(r.m_nTag, 1);
    EXPECT_EQ(r.m_Epoch.sID, "Stim");
}

TEST(BinResult, InitializeGivesAnAllFalseVector)
{
    ecBinResult r;
    r.m_sID = "Left";
    r.Initialize(1, 5, ecEventRelatedEpoch(), 7);
    ASSERT_NE(r.R1, nullptr);
    EXPECT_EQ(r.R2, nullptr);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(r.R1[i]);
    EXPECT_TRUE(r.m_bInitialized);
    EXPECT_EQ(r.m_nOrder, 1);
    EXPECT_EQ(r.m_nItems, 5);
    EXPECT_EQ(r.m_nTag, 7);
    EXPECT_EQ(r.m_sID, "Left");
}

TEST(BinResult, InitializeRefusesBadOrdersAndSizes)
{
    const ecEventRelatedEpoch epoch;
    ecBinResult r;
    EXPECT_EQ(InitializeMessage(r, 3, 5, epoch), "[ecBinResult::Initialize] Technical error (nOrder<0 || nOrder>2)");
    EXPECT_EQ(InitializeMessage(r, -1, 5, epoch), "[ecBinResult::Initialize] Technical error (nOrder<0 || nOrder>2)");
    EXPECT_EQ(InitializeMessage(r, 1, 0, epoch), "[ecBinResult::Initialize] Technical error nOrder>0 && nItems<=0)");
    EXPECT_EQ(InitializeMessage(r, 2, -4, epoch), "[ecBinResult::Initialize] Technical error nOrder>0 && nItems<=0)");
    EXPECT_FALSE(r.m_bInitialized);

    EXPECT_EQ(InitializeMessage(r, 0, 0, epoch), "");
    EXPECT_TRUE(r.m_bInitialized);
    EXPECT_FALSE(r.R0);
    EXPECT_EQ(r.R1, nullptr);
    EXPECT_EQ(r.R2, nullptr);
}

TEST(BinResult, FailedEpochCheckLeavesTheResultFreed)
{
    // "WholeFile" keeps a custom detrend interval that the IOF (reset to the
    // IOI by the check) no longer contains.
    ecEventRelatedEpoch epoch;
    epoch.sFilteringIntervalOption = "WholeFile";
    epoch.fStartIOF = -1.0f;
    epoch.fStopIOF = 1.0f;
    epoch.sBaselineDetrend = "Custom";
    epoch.fDetrendStart = -0.5f;
    epoch.fDetrendStop = 0.0f;

    ecBinResult r;
    r.Initialize(1, 3, ecEventRelatedEpoch(), 1);
    r.m_sID = "Kept";
    EXPECT_EQ(InitializeMessage(r, 1, 3, epoch),
              "[ecBinResult::Initialize] Interval of filtering (IOF) does not contain the baseline/detrend interval.");
    EXPECT_FALSE(r.m_bInitialized);
    EXPECT_EQ(r.m_nOrder, 0);
    EXPECT_EQ(r.m_nItems, 0);
    EXPECT_EQ(r.R1, nullptr);
    EXPECT_EQ(r.m_sID, "Kept");
    // The adjusted epoch stays: its IOF was set to the IOI.
    EXPECT_FLOAT_EQ(r.m_Epoch.fStartIOF, -0.2f);
}

TEST(BinResult, InitializeKeepsTheAdjustedEpoch)
{
    ecEventRelatedEpoch epoch;
    epoch.fStart = 0.1f;  // no pre-event part: "PreEvent" turns into "None"
    ecBinResult r;
    r.Initialize(1, 2, epoch, 1);
    EXPECT_EQ(r.m_Epoch.sBaselineDetrend, "None");
    EXPECT_EQ(epoch.sBaselineDetrend, "PreEvent");  // the argument was a copy
}

TEST(BinResult, CopiesAreDeepAndIndependent)
{
    ecBinResult a;
    a.m_sID = "A";
    a.m_bHidden = true;
    a.Initialize(1, 4, ecEventRelatedEpoch(), 3);
    a.R1[2] = true;
    a.m_bPopped = true;

    ecBinResult b(a);
    ASSERT_NE(b.R1, a.R1);
    EXPECT_EQ(logictest::Selected(b), std::vector<int>({2}));
    EXPECT_EQ(b.m_sID, "A");
    EXPECT_TRUE(b.m_bHidden);
    EXPECT_TRUE(b.m_bPopped);
    EXPECT_EQ(b.m_nTag, 3);
    b.R1[0] = true;
    EXPECT_FALSE(a.R1[0]);

    ecBinResult c;
    c.Initialize(1, 9, ecEventRelatedEpoch(), 1);
    c = a;
    EXPECT_EQ(c.m_nItems, 4);
    EXPECT_EQ(logictest::Selected(c), std::vector<int>({2}));
}

TEST(BinResult, CopyOfAnUninitialisedResultCarriesNameAndFlags)
{
    ecBinResult a;
    a.m_sID = "Empty";
    a.m_bHidden = true;
    a.m_nTag = 9;
    a.m_Epoch.sID = "Resp";
    ecBinResult b;
    b.Initialize(1, 3, ecEventRelatedEpoch(), 1);
    b = a;
    EXPECT_FALSE(b.m_bInitialized);
    EXPECT_EQ(b.R1, nullptr);
    EXPECT_EQ(b.m_sID, "Empty");
    EXPECT_TRUE(b.m_bHidden);
    EXPECT_EQ(b.m_nTag, 9);
    EXPECT_EQ(b.m_Epoch.sID, "Resp");
}

TEST(BinResult, MatrixCopiesRowByRow)
{
    ecBinResult a;
    a.Initialize(2, 3, ecEventRelatedEpoch(), 1);
    ASSERT_NE(a.R2, nullptr);
    EXPECT_EQ(a.R1, nullptr);
    a.R2[1][2] = true;
    ecBinResult b(a);
    EXPECT_TRUE(b.R2[1][2]);
    EXPECT_FALSE(b.R2[2][1]);
    b.R2[0][0] = true;
    EXPECT_FALSE(a.R2[0][0]);
}

TEST(BinResult, SelfAssignmentLeavesTheResultUnchanged)
{
    ecBinResult a;
    a.m_sID = "Self";
    a.Initialize(1, 3, ecEventRelatedEpoch(), 1);
    a.R1[1] = true;
    ecBinResult& alias = a;
    a = alias;
    EXPECT_TRUE(a.m_bInitialized);
    EXPECT_EQ(a.m_sID, "Self");
    EXPECT_EQ(logictest::Selected(a), std::vector<int>({1}));
}

TEST(BinResult, FreeKeepsNameAndFlagsAndIsHarmlessWhenFresh)
{
    ecBinResult fresh;
    fresh.m_sID = "X";
    fresh.Free();
    EXPECT_EQ(fresh.m_sID, "X");
    EXPECT_EQ(fresh.R1, nullptr);

    ecBinResult r;
    r.m_sID = "Y";
    r.m_nTag = 4;
    r.Initialize(1, 2, ecEventRelatedEpoch(), 4);
    r.m_bPopped = true;
    r.Free();
    EXPECT_FALSE(r.m_bInitialized);
    EXPECT_EQ(r.m_nItems, 0);
    EXPECT_EQ(r.R1, nullptr);
    EXPECT_EQ(r.m_sID, "Y");
    EXPECT_TRUE(r.m_bPopped);
    EXPECT_EQ(r.m_nTag, 4);
}

TEST(BinResult, VectorsOfResultsSurviveGrowth)
{
    std::vector<ecBinResult> v;
    for (int k = 0; k < 40; ++k) {
        v.emplace_back();
        v.back().Initialize(1, 5, ecEventRelatedEpoch(), 1);
        v.back().R1[k % 5] = true;
        v.back().m_sID = std::to_string(k);
    }
    for (int k = 0; k < 40; ++k) {
        EXPECT_EQ(v[static_cast<std::size_t>(k)].m_sID, std::to_string(k));
        EXPECT_EQ(logictest::Selected(v[static_cast<std::size_t>(k)]), std::vector<int>({k % 5}));
    }
}

} // namespace
