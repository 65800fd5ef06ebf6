#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "ecevents/epochs/ecEventRelatedEpoch.h"

TEST(EpochAdjust, DefaultEpochIsConsistent)
{
    ecEventRelatedEpoch e;
    EXPECT_EQ(e.CheckIntegrity(), "");
    EXPECT_EQ(e.fStartIOF, -0.2f);
    EXPECT_EQ(e.fStopIOF, 0.8f);
    EXPECT_EQ(e.fDetrendStart, -0.2f);
    EXPECT_EQ(e.fDetrendStop, 0.0f);
    EXPECT_EQ(e.sBaselineDetrend, "PreEvent");
}

TEST(EpochAdjust, FilteringInterval)
{
    ecEventRelatedEpoch e;
    e.fStartIOF = -5.0f;
    e.fStopIOF = 5.0f;
    e.AdjustIntervals(false);
    EXPECT_EQ(e.fStartIOF, -0.2f) << "SameAsIOI copies the IOI";
    EXPECT_EQ(e.fStopIOF, 0.8f);

    e.sFilteringIntervalOption = "CustomIOF";
    e.fStartIOF = 0.0f;
    e.fStopIOF = 2.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fStartIOF, -0.2f) << "widened to contain the IOI";
    EXPECT_EQ(e.fStopIOF, 2.0f);

    e.sFilteringIntervalOption = "Whole";
    e.AdjustIntervals(true);
    EXPECT_EQ(e.sFilteringIntervalOption, "CustomIOF");
    e.sFilteringIntervalOption = "Whole";
    EXPECT_EQ(e.CheckIntegrity(), "") << "an unknown word is repaired before it is checked";

    e.sFilteringIntervalOption = "WholeFile";
    e.fStartIOF = -1.0f;
    e.fStopIOF = 1.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.sFilteringIntervalOption, "WholeFile");
    EXPECT_EQ(e.fStartIOF, -1.0f) << "the adjustment alone keeps a wider IOF";
}

TEST(EpochAdjust, PolynomialOrderIsClamped)
{
    ecEventRelatedEpoch e;
    e.iPolynomialOrder = 12;
    EXPECT_EQ(e.CheckIntegrity(), "");
    EXPECT_EQ(e.iPolynomialOrder, 10);
    e.iPolynomialOrder = -3;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.iPolynomialOrder, 0);
}

TEST(EpochAdjust, BaselineOptions)
{
    ecEventRelatedEpoch e;
    e.fStart = 0.1f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.sBaselineDetrend, "None") << "no pre-event part";
    EXPECT_EQ(e.CheckIntegrity(), "");

    ecEventRelatedEpoch iof;
    iof.sFilteringIntervalOption = "CustomIOF";
    iof.fStartIOF = -0.6f;
    iof.fStopIOF = 0.9f;
    iof.sBaselineDetrend = "PreEventIOF";
    EXPECT_EQ(iof.CheckIntegrity(), "");
    EXPECT_EQ(iof.fDetrendStart, -0.6f);
    EXPECT_EQ(iof.fDetrendStop, 0.0f);

    ecEventRelatedEpoch odd;
    odd.sBaselineDetrend = "Linear";
    EXPECT_EQ(odd.CheckIntegrity(), "");
    EXPECT_EQ(odd.sBaselineDetrend, "None");

    ecEventRelatedEpoch custom;
    custom.sFilteringIntervalOption = "CustomIOF";
    custom.fStartIOF = -1.0f;
    custom.fStopIOF = 1.0f;
    custom.sBaselineDetrend = "Custom";
    custom.fDetrendStart = -2.0f;
    custom.fDetrendStop = 0.5f;
    custom.AdjustIntervals(true);
    EXPECT_EQ(custom.fDetrendStart, -1.0f) << "clipped to the IOF";
    EXPECT_EQ(custom.fDetrendStop, 0.5f);

    custom.fDetrendStart = 0.6f;
    custom.fDetrendStop = 0.3f;
    custom.AdjustIntervals(true);
    EXPECT_EQ(custom.fDetrendStart, -1.0f) << "an inverted interval becomes the IOF";
    EXPECT_EQ(custom.fDetrendStop, 1.0f);
}

TEST(EpochAdjust, WholeFileWithCustomBaselineOutsideTheIoi)
{
    ecEventRelatedEpoch e;
    e.sFilteringIntervalOption = "WholeFile";
    e.fStartIOF = -1.0f;
    e.fStopIOF = 1.0f;
    e.sBaselineDetrend = "Custom";
    e.fDetrendStart = -0.5f;
    e.fDetrendStop = 0.0f;
    EXPECT_EQ(e.CheckIntegrity(), "Interval of filtering (IOF) does not contain the baseline/detrend interval.");
    EXPECT_EQ(e.fStartIOF, -0.2f) << "the IOF is set to the IOI and stays so";
    EXPECT_EQ(e.fStopIOF, 0.8f);
    EXPECT_EQ(e.fDetrendStart, -0.5f);
}

TEST(EpochAdjust, InvertedIoi)
{
    ecEventRelatedEpoch e;
    e.fStart = 0.5f;
    e.fStop = -0.1f;
    e.sBaselineDetrend = "None";
    EXPECT_EQ(e.CheckIntegrity(), "Start of threshold interval falls outside the interval of intererst.");
    EXPECT_EQ(e.fThresholdStart, 0.5f);
    EXPECT_EQ(e.fThresholdStop, -0.1f);
}

TEST(EpochAdjust, ThresholdInterval)
{
    ecEventRelatedEpoch e;
    e.fThresholdStart = 0.1f;
    e.fThresholdStop = 0.3f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fThresholdStart, -0.2f) << "without the limit, the window is the IOI";
    EXPECT_EQ(e.fThresholdStop, 0.8f);

    e.bApplyMagnitudeLimit = true;
    e.fThresholdStart = -1.0f;
    e.fThresholdStop = 0.3f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fThresholdStart, -0.2f);
    EXPECT_EQ(e.fThresholdStop, 0.3f);

    e.fThresholdStart = 0.3f;
    e.fThresholdStop = 0.3f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fThresholdStart, -0.2f) << "an empty window becomes the IOI";
    EXPECT_EQ(e.fThresholdStop, 0.8f);
}

TEST(EpochAdjust, MagnitudeLimits)
{
    ecEventRelatedEpoch e;
    e.fElectricLow = 1.0f;
    e.fElectricHigh = -1.0f;
    e.fMagneticLow = 3.0f;
    e.fMagneticHigh = 2.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fElectricLow, -0.0001f);
    EXPECT_EQ(e.fElectricHigh, 0.0001f);
    EXPECT_EQ(e.fMagneticLow, 0.0f);
    EXPECT_EQ(e.fMagneticHigh, 0.0f);

    e.fElectricLow = 2.0f;
    e.fElectricHigh = 2.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fElectricLow, 2.0f) << "equal limits are kept";
}

TEST(EpochAdjust, CovarianceWindows)
{
    ecEventRelatedEpoch e;
    e.fCov_Time_Start = -1.0f;
    e.fCov_Time_Stop = 0.5f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_Time_Start, -1.0f) << "not clamped while the estimate is off";

    e.bEstimateCOV_Time = true;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_Time_Start, -0.2f);
    EXPECT_EQ(e.fCov_Time_Stop, 0.5f);

    e.bEstimateCOV_Freq = false;
    e.fCov_Freq_Start = 0.4f;
    e.fCov_Freq_Stop = 0.4f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_Freq_Start, -0.2f) << "an empty window becomes the IOI even when off";
    EXPECT_EQ(e.fCov_Freq_Stop, 0.8f);

    e.bEstimateCOV_TimeFreq = true;
    e.fCov_TimeFreq_Start_Time = 0.0f;
    e.fCov_TimeFreq_Stop_Time = 3.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_TimeFreq_Start_Time, 0.0f);
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Time, 0.8f);
}

TEST(EpochAdjust, TimeFrequencyBand)
{
    ecEventRelatedEpoch e;
    e.SetSamplingRate(1000.0f);
    e.bEstimateCOV_TimeFreq = true;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_TimeFreq_Start_Freq, 0.0f);
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Freq, 200.0f);

    e.fCov_TimeFreq_Start_Freq = -4.0f;
    e.fCov_TimeFreq_Stop_Freq = 700.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_TimeFreq_Start_Freq, 0.0f);
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Freq, 500.0f);

    e.bEstimateCOV_TimeFreq = false;
    e.fCov_TimeFreq_Start_Freq = -4.0f;
    e.fCov_TimeFreq_Stop_Freq = 700.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_TimeFreq_Start_Freq, -4.0f) << "only the empty-band rule applies when off";
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Freq, 700.0f);
    e.fCov_TimeFreq_Start_Freq = 9.0f;
    e.fCov_TimeFreq_Stop_Freq = 9.0f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.fCov_TimeFreq_Start_Freq, 0.0f);
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Freq, 200.0f);

    ecEventRelatedEpoch noRate;
    noRate.bEstimateCOV_TimeFreq = true;
    noRate.fCov_TimeFreq_Start_Freq = 50.0f;
    noRate.fCov_TimeFreq_Stop_Freq = -10.0f;
    noRate.AdjustIntervals(true);
    EXPECT_EQ(noRate.fCov_TimeFreq_Start_Freq, 50.0f);
    EXPECT_EQ(noRate.fCov_TimeFreq_Stop_Freq, -10.0f);
}

TEST(EpochIntegrity, UnorderedValuesAreReported)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ecEventRelatedEpoch e;
    e.fStart = nan;
    EXPECT_NE(e.CheckIntegrity(), "");

    ecEventRelatedEpoch cov;
    cov.bEstimateCOV_Time = true;
    cov.fCov_Time_Start = nan;
    cov.AdjustIntervals(true);
    EXPECT_EQ(cov.fCov_Time_Start, -0.2f) << "a window that is not ordered falls back on the IOI";
    EXPECT_EQ(cov.fCov_Time_Stop, 0.8f);

    ecEventRelatedEpoch limits;
    limits.fElectricHigh = nan;
    limits.AdjustIntervals(true);
    EXPECT_EQ(limits.fElectricHigh, 0.0001f);
}
