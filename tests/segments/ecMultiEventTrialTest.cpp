#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "ecevents/ecevents.h"

namespace {

ecMultiEventTrial MakeTrial(const std::string& prefix, int n)
{
    ecMultiEventTrial trial;
    for (int i = 0; i < n; ++i) {
        ecEvent e;
        e.m_sName = prefix + std::to_string(i);
        e.m_iStart = e.m_iStop = 100 * i;
        trial.m_vEvents.push_back(e);
    }
    return trial;
}

} // namespace

TEST(ecMultiEventTrial, ArePolymorphicContainers)
{
    EXPECT_TRUE(std::has_virtual_destructor<ecMultiEventTrial>::value);
    EXPECT_TRUE(std::has_virtual_destructor<ecMultiEventTrialList>::value);
    EXPECT_TRUE(ecMultiEventTrial().m_vEvents.empty());
    EXPECT_TRUE(ecMultiEventTrialList().m_vTrials.empty());
}

TEST(ecMultiEventTrial, CopiesAreIndependent)
{
    ecMultiEventTrialList list;
    list.m_vTrials.push_back(MakeTrial("a", 3));
    list.m_vTrials.push_back(MakeTrial("b", 3));

    ecMultiEventTrialList copy(list);
    ASSERT_EQ(copy.m_vTrials.size(), 2u);
    ASSERT_EQ(copy.m_vTrials[1].m_vEvents.size(), 3u);
    EXPECT_EQ(copy.m_vTrials[1].m_vEvents[2].m_sName, "b2");
    copy.m_vTrials[1].m_vEvents[2].m_sName = "changed";
    copy.m_vTrials[0].m_vEvents[0].m_iStart = 77;
    EXPECT_EQ(list.m_vTrials[1].m_vEvents[2].m_sName, "b2");
    EXPECT_EQ(list.m_vTrials[0].m_vEvents[0].m_iStart, 0);

    ecMultiEventTrial trial = MakeTrial("t", 2);
    ecMultiEventTrial trialCopy(trial);
    trialCopy.m_vEvents[0].m_sName = "other";
    EXPECT_EQ(trial.m_vEvents[0].m_sName, "t0");
}

TEST(ecMultiEventTrial, AssignmentReplacesAndSelfAssignmentKeeps)
{
    ecMultiEventTrialList longer;
    for (int i = 0; i < 4; ++i)
        longer.m_vTrials.push_back(MakeTrial("L", 2));
    ecMultiEventTrialList shorter;
    shorter.m_vTrials.push_back(MakeTrial("S", 1));

    ecMultiEventTrialList& result = (longer = shorter);
    EXPECT_EQ(&result, &longer);
    ASSERT_EQ(longer.m_vTrials.size(), 1u);
    ASSERT_EQ(longer.m_vTrials[0].m_vEvents.size(), 1u);
    EXPECT_EQ(longer.m_vTrials[0].m_vEvents[0].m_sName, "S0");

    ecMultiEventTrialList& alias = longer;
    longer = alias;
    ASSERT_EQ(longer.m_vTrials.size(), 1u);
    EXPECT_EQ(longer.m_vTrials[0].m_vEvents[0].m_sName, "S0");

    ecMultiEventTrial trial = MakeTrial("x", 3);
    ecMultiEventTrial& trialAlias = trial;
    EXPECT_EQ(&(trial = trialAlias), &trial);
    ASSERT_EQ(trial.m_vEvents.size(), 3u);
    trial = MakeTrial("y", 1);
    ASSERT_EQ(trial.m_vEvents.size(), 1u);
    EXPECT_EQ(trial.m_vEvents[0].m_sName, "y0");
}
