#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

namespace {

using Epoch = ecEventRelatedEpoch;

std::string Written(Epoch& epoch)
{
    std::ostringstream out;
    epoch.WriteXml(out);
    return out.str();
}

// The message of the failure, or "" when the text reads.
std::string ReadFrom(Epoch& epoch, const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    try {
        return epoch.ReadXml(xml) ? "" : "(no epoch)";
    } catch (const ecError& e) {
        return e.what();
    }
}

// Every optional part switched on, with values the integrity check keeps.
const char* const kFullText =
    "\n\t\t<epoch>\n"
    "\t\t\t<sID>Resp</sID><fStart>-0.1</fStart><fStop>0.5</fStop>"
    "<sFilteringIntervalOption>CustomIOF</sFilteringIntervalOption><fStartIOF>-1.5</fStartIOF><fStopIOF>2</fStopIOF>"
    "<iPolynomialOrder>2</iPolynomialOrder><sBaselineDetrend>Custom</sBaselineDetrend>"
    "<fDetrendStart>-1</fDetrendStart><fDetrendStop>0.25</fDetrendStop>\n"
    "\t\t\t<bApplyMagnitudeLimit>1</bApplyMagnitudeLimit><fElectricLow>-5e-05</fElectricLow>"
    "<fElectricHigh>7e-05</fElectricHigh><fMagneticLow>-3e-12</fMagneticLow><fMagneticHigh>4e-12</fMagneticHigh>"
    "<fThresholdStart>0</fThresholdStart><fThresholdStop>0.4</fThresholdStop>\n"
    "\t\t\t<Channel>MEG0111</Channel>\n\t\t\t<Channel>EEG 001</Channel>\n\n"
    "\t\t\t<bEstimateCOV_Time>1</bEstimateCOV_Time><fCov_Time_Start>-0.05</fCov_Time_Start>"
    "<fCov_Time_Stop>0.3</fCov_Time_Stop>\n"
    "\t\t\t<bEstimateCOV_Freq>1</bEstimateCOV_Freq><fCov_Freq_Start>0.1</fCov_Freq_Start>"
    "<fCov_Freq_Stop>0.45</fCov_Freq_Stop><iCovarianceOption>3</iCovarianceOption>\n"
    "\t\t\t<bEstimateCOV_TimeFreq>1</bEstimateCOV_TimeFreq><fCov_TimeFreq_Start_Time>0</fCov_TimeFreq_Start_Time>"
    "<fCov_TimeFreq_Stop_Time>0.2</fCov_TimeFreq_Stop_Time><fCov_TimeFreq_Start_Freq>8</fCov_TimeFreq_Start_Freq>"
    "<fCov_TimeFreq_Stop_Freq>12.5</fCov_TimeFreq_Stop_Freq>\n"
    "\t\t</epoch>\n";

Epoch FullEpoch()
{
    Epoch e;
    EXPECT_EQ(ReadFrom(e, kFullText), "");
    return e;
}

} // namespace

// Each case sets fields on a default epoch and expects a window afterwards,
// from the adjustment and from the check alike.
TEST(EpochAdjust, RepairsOfEachWindow)
{
    using F = float Epoch::*;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        std::function<void(Epoch&)> set;
        F first, second;
        float start, stop;
    } cases[] = {
        {"SameAsIOI copies the IOI", [](Epoch& e) { e.fStartIOF = -5; e.fStopIOF = 5; },
         &Epoch::fStartIOF, &Epoch::fStopIOF, -0.2f, 0.8f},
        {"unknown IOF word: custom, widened", [](Epoch& e) { e.sFilteringIntervalOption = "Whole"; e.fStartIOF = 0; e.fStopIOF = 2; },
         &Epoch::fStartIOF, &Epoch::fStopIOF, -0.2f, 2.0f},
        {"PreEventIOF", [](Epoch& e) { e.sFilteringIntervalOption = "CustomIOF"; e.fStartIOF = -0.6f; e.fStopIOF = 0.9f; e.sBaselineDetrend = "PreEventIOF"; },
         &Epoch::fDetrendStart, &Epoch::fDetrendStop, -0.6f, 0.0f},
        {"custom baseline clipped to the IOF", [](Epoch& e) { e.sFilteringIntervalOption = "CustomIOF"; e.fStartIOF = -1; e.fStopIOF = 1; e.sBaselineDetrend = "Custom"; e.fDetrendStart = -2; e.fDetrendStop = 0.5f; },
         &Epoch::fDetrendStart, &Epoch::fDetrendStop, -1.0f, 0.5f},
        {"inverted baseline becomes the IOF", [](Epoch& e) { e.sFilteringIntervalOption = "CustomIOF"; e.fStartIOF = -1; e.fStopIOF = 1; e.sBaselineDetrend = "Custom"; e.fDetrendStart = 0.6f; e.fDetrendStop = 0.3f; },
         &Epoch::fDetrendStart, &Epoch::fDetrendStop, -1.0f, 1.0f},
        {"threshold clamped", [](Epoch& e) { e.bApplyMagnitudeLimit = true; e.fThresholdStart = -1; e.fThresholdStop = 0.3f; },
         &Epoch::fThresholdStart, &Epoch::fThresholdStop, -0.2f, 0.3f},
        {"empty threshold", [](Epoch& e) { e.bApplyMagnitudeLimit = true; e.fThresholdStart = e.fThresholdStop = 0.3f; },
         &Epoch::fThresholdStart, &Epoch::fThresholdStop, -0.2f, 0.8f},
        {"inverted electric limits", [](Epoch& e) { e.fElectricLow = 1; e.fElectricHigh = -1; },
         &Epoch::fElectricLow, &Epoch::fElectricHigh, -0.0001f, 0.0001f},
        {"equal limits kept", [](Epoch& e) { e.fElectricLow = e.fElectricHigh = 2; },
         &Epoch::fElectricLow, &Epoch::fElectricHigh, 2.0f, 2.0f},
        {"NaN limit", [nan](Epoch& e) { e.fElectricHigh = nan; },
         &Epoch::fElectricLow, &Epoch::fElectricHigh, -0.0001f, 0.0001f},
        {"covariance not clamped while off", [](Epoch& e) { e.fCov_Time_Start = -1; e.fCov_Time_Stop = 0.5f; },
         &Epoch::fCov_Time_Start, &Epoch::fCov_Time_Stop, -1.0f, 0.5f},
        {"covariance clamped while on", [](Epoch& e) { e.bEstimateCOV_Time = true; e.fCov_Time_Start = -1; e.fCov_Time_Stop = 0.5f; },
         &Epoch::fCov_Time_Start, &Epoch::fCov_Time_Stop, -0.2f, 0.5f},
        {"NaN covariance window", [nan](Epoch& e) { e.bEstimateCOV_Time = true; e.fCov_Time_Start = nan; },
         &Epoch::fCov_Time_Start, &Epoch::fCov_Time_Stop, -0.2f, 0.8f},
        {"empty window even when off", [](Epoch& e) { e.fCov_Freq_Start = e.fCov_Freq_Stop = 0.4f; },
         &Epoch::fCov_Freq_Start, &Epoch::fCov_Freq_Stop, -0.2f, 0.8f},
        {"time-frequency time", [](Epoch& e) { e.bEstimateCOV_TimeFreq = true; e.fCov_TimeFreq_Start_Time = 0; e.fCov_TimeFreq_Stop_Time = 3; },
         &Epoch::fCov_TimeFreq_Start_Time, &Epoch::fCov_TimeFreq_Stop_Time, 0.0f, 0.8f},
        {"band defaults to a fifth of the rate", [](Epoch& e) { e.SetSamplingRate(1000); e.bEstimateCOV_TimeFreq = true; },
         &Epoch::fCov_TimeFreq_Start_Freq, &Epoch::fCov_TimeFreq_Stop_Freq, 0.0f, 200.0f},
        {"band clamped to Nyquist", [](Epoch& e) { e.SetSamplingRate(1000); e.bEstimateCOV_TimeFreq = true; e.fCov_TimeFreq_Start_Freq = -4; e.fCov_TimeFreq_Stop_Freq = 700; },
         &Epoch::fCov_TimeFreq_Start_Freq, &Epoch::fCov_TimeFreq_Stop_Freq, 0.0f, 500.0f},
        {"band left alone when off", [](Epoch& e) { e.SetSamplingRate(1000); e.fCov_TimeFreq_Start_Freq = -4; e.fCov_TimeFreq_Stop_Freq = 700; },
         &Epoch::fCov_TimeFreq_Start_Freq, &Epoch::fCov_TimeFreq_Stop_Freq, -4.0f, 700.0f},
        {"empty band when off", [](Epoch& e) { e.SetSamplingRate(1000); e.fCov_TimeFreq_Start_Freq = e.fCov_TimeFreq_Stop_Freq = 9; },
         &Epoch::fCov_TimeFreq_Start_Freq, &Epoch::fCov_TimeFreq_Stop_Freq, 0.0f, 200.0f},
        {"band without a rate", [](Epoch& e) { e.bEstimateCOV_TimeFreq = true; e.fCov_TimeFreq_Start_Freq = 50; e.fCov_TimeFreq_Stop_Freq = -10; },
         &Epoch::fCov_TimeFreq_Start_Freq, &Epoch::fCov_TimeFreq_Stop_Freq, 50.0f, -10.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Epoch adjusted;
        c.set(adjusted);
        adjusted.AdjustIntervals(true);
        EXPECT_EQ(adjusted.*c.first, c.start);
        EXPECT_EQ(adjusted.*c.second, c.stop);
        Epoch checked;
        c.set(checked);
        EXPECT_EQ(checked.CheckIntegrity(), "");
        EXPECT_EQ(checked.*c.first, c.start);
        EXPECT_EQ(checked.*c.second, c.stop);
    }
}

TEST(EpochAdjust, RepairedWords)
{
    Epoch e;
    e.sFilteringIntervalOption = "Whole";
    e.sBaselineDetrend = "Linear";
    e.iPolynomialOrder = 12;
    EXPECT_EQ(e.CheckIntegrity(), "");
    EXPECT_EQ(e.sFilteringIntervalOption, "CustomIOF");
    EXPECT_EQ(e.sBaselineDetrend, "None");
    EXPECT_EQ(e.iPolynomialOrder, 10);
    e.iPolynomialOrder = -3;
    e.sBaselineDetrend = "PreEvent";
    e.fStart = 0.1f;
    e.AdjustIntervals(true);
    EXPECT_EQ(e.iPolynomialOrder, 0);
    EXPECT_EQ(e.sBaselineDetrend, "None") << "no pre-event part";
}

TEST(EpochIntegrity, Messages)
{
    Epoch whole;
    whole.sFilteringIntervalOption = "WholeFile";
    whole.fStartIOF = -1.0f;
    whole.fStopIOF = 1.0f;
    whole.AdjustIntervals(true);
    EXPECT_EQ(whole.fStartIOF, -1.0f) << "the adjustment alone keeps a wider IOF";
    whole.sBaselineDetrend = "Custom";
    whole.fDetrendStart = -0.5f;
    EXPECT_EQ(whole.CheckIntegrity(), "Interval of filtering (IOF) does not contain the baseline/detrend interval.");
    EXPECT_EQ(whole.fStartIOF, -0.2f) << "the IOF is set to the IOI and stays so";

    Epoch inverted;
    inverted.fStart = 0.5f;
    inverted.fStop = -0.1f;
    inverted.sBaselineDetrend = "None";
    EXPECT_EQ(inverted.CheckIntegrity(), "Start of threshold interval falls outside the interval of intererst.");
    Epoch nanStart;
    nanStart.fStart = std::numeric_limits<float>::quiet_NaN();
    EXPECT_NE(nanStart.CheckIntegrity(), "");
}

TEST(EpochXml, WrittenTextsAndRoundTrips)
{
    Epoch plain;
    EXPECT_EQ(Written(plain), "\n\t\t<epoch>\n"
                              "\t\t\t<sID>Stim</sID><fStart>-0.2</fStart><fStop>0.8</fStop>"
                              "<sBaselineDetrend>PreEvent</sBaselineDetrend>\n"
                              "\t\t\t<bApplyMagnitudeLimit>0</bApplyMagnitudeLimit>\n"
                              "\t\t\t<bEstimateCOV_Time>0</bEstimateCOV_Time>\n"
                              "\t\t\t<bEstimateCOV_Freq>0</bEstimateCOV_Freq>\n"
                              "\t\t\t<bEstimateCOV_TimeFreq>0</bEstimateCOV_TimeFreq>\n"
                              "\t\t</epoch>\n");
    // Read, then written again: every parameter survived in its own field.
    Epoch read;
    read.SetSamplingRate(250.0f);
    ASSERT_EQ(ReadFrom(read, kFullText), "");
    EXPECT_EQ(Written(read), kFullText);
    EXPECT_EQ(read.fSamplingRate, 250.0f) << "the rate is not part of the element";
    EXPECT_EQ(read.fDetrendStart, -1.0f);
    EXPECT_EQ(read.fCov_Freq_Stop, 0.45f);
    EXPECT_EQ(read.fCov_TimeFreq_Start_Freq, 8.0f);
    Epoch full = FullEpoch();
    Epoch copy(read);
    Epoch assigned;
    assigned.SetInstanceType(9);
    read.SetDirty(true);
    assigned = read;
    EXPECT_EQ(Written(copy), kFullText);
    EXPECT_EQ(Written(assigned), kFullText);
    EXPECT_EQ(copy.fSamplingRate, 250.0f);
    EXPECT_FALSE(assigned.IsDirty()) << "base-object fields are not copied";
    EXPECT_EQ(assigned.GetInstanceType(), 9);
    read.ResetAll();
    EXPECT_EQ(Written(read), Written(plain));
    EXPECT_TRUE(read.IsDirty());
    EXPECT_EQ(read.fSamplingRate, 0.0f);
    ASSERT_EQ(ReadFrom(full, Written(plain)), "");
    EXPECT_EQ(Written(full), Written(plain));

    Epoch e;
    e.sFilteringIntervalOption = "WholeFile";
    e.sBaselineDetrend = "None";
    e.iPolynomialOrder = 3;
    e.bApplyMagnitudeLimit = true;
    EXPECT_NE(Written(e).find("<fStop>0.8</fStop><sFilteringIntervalOption>WholeFile</sFilteringIntervalOption>\n"),
              std::string::npos) << "no IOF, order or baseline";
    EXPECT_NE(Written(e).find("</fThresholdStop>\n\n\t\t\t<bEstimateCOV_Time>"), std::string::npos);
    e.sBaselineDetrend = "PreEventIOF";
    EXPECT_NE(Written(e).find("<iPolynomialOrder>3</iPolynomialOrder><sBaselineDetrend>PreEventIOF</sBaselineDetrend>\n"),
              std::string::npos);
}

TEST(EpochXml, ReadingRules)
{
    Epoch e = FullEpoch();
    EXPECT_EQ(ReadFrom(e, "<bin_results></bin_results>"), "(no epoch)");
    EXPECT_EQ(Written(e), kFullText);
    const std::string prefix = "[ecEventRelatedEpoch::ReadXml] Required tag <";
    const std::string iof = "<sFilteringIntervalOption>CustomIOF</sFilteringIntervalOption>";
    const std::string custom = "<sBaselineDetrend>Custom</sBaselineDetrend>";
    const std::pair<std::string, std::string> missing[] = {
        {"<sID>X</sID><fStop>1</fStop>", "fStart"},
        {"<fStart>-0.5</fStart>", "fStop"},
        {"<fStart>0</fStart><fStop>1</fStop>" + iof, "fStartIOF"},
        {"<fStart>0</fStart><fStop>1</fStop>" + iof + "<fStartIOF>-3</fStartIOF>", "fStopIOF"},
        {"<fStart>-1</fStart><fStop>1</fStop>" + custom, "fDetrendStart"},
        {"<fStart>-1</fStart><fStop>1</fStop>" + custom + "<fDetrendStart>-0.5</fDetrendStart>", "fDetrendStop"},
    };
    for (const auto& [content, tag] : missing)
        EXPECT_EQ(ReadFrom(e, "<epoch>" + content + "</epoch>"), prefix + tag + "> not found");
    EXPECT_EQ(e.sID, "") << "an absent sID reads as empty; what was read stays";
    EXPECT_EQ(e.fDetrendStart, -0.5f);

    ASSERT_EQ(ReadFrom(e, "<epoch><fStart>-0.3</fStart><fStop>1</fStop>" + iof.substr(0, 26) +
                              "WholeFile</sFilteringIntervalOption><sBaselineDetrend>PreEventIOF</sBaselineDetrend>"
                              "<bApplyMagnitudeLimit>1</bApplyMagnitudeLimit><fElectricLow>-2</fElectricLow>"
                              "<Channel>A</Channel><Channel>B</Channel><Channel></Channel><Channel>C</Channel></epoch>"),
              "");
    EXPECT_EQ(e.iPolynomialOrder, 0) << "absent order reads as 0 when a baseline is given";
    EXPECT_EQ(e.fDetrendStart, -0.3f);
    EXPECT_EQ(e.vChannels, (std::vector<std::string>{"A", "B"})) << "an empty Channel ends the list";
    EXPECT_EQ(e.fElectricLow, -2.0f);
    e.iPolynomialOrder = 4;
    ASSERT_EQ(ReadFrom(e, "<epoch><fStart>-0.3</fStart><fStop>1</fStop><Channel>X</Channel></epoch>"), "");
    EXPECT_EQ(e.sBaselineDetrend, "None");
    EXPECT_EQ(e.iPolynomialOrder, 4) << "without a baseline element the order is left alone";
    EXPECT_EQ(e.vChannels, (std::vector<std::string>{"A", "B"})) << "channels are read only with the limit";
    EXPECT_EQ(e.fElectricLow, -2.0f);

    e.SetSamplingRate(1000.0f);
    ASSERT_EQ(ReadFrom(e, "<epoch><fStart>0.1</fStart><fStop>0.8</fStop><iPolynomialOrder>12</iPolynomialOrder>"
                          "<sBaselineDetrend>PreEvent</sBaselineDetrend><bEstimateCOV_TimeFreq>1</bEstimateCOV_TimeFreq>"
                          "<fCov_TimeFreq_Stop_Freq>700</fCov_TimeFreq_Stop_Freq></epoch>"),
              "");
    EXPECT_EQ(e.sBaselineDetrend, "None") << "reading ends with the integrity adjustment";
    EXPECT_EQ(e.iPolynomialOrder, 10);
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Freq, 500.0f);
    EXPECT_EQ(e.fCov_Time_Start, 0.1f) << "absent windows read as 0 and fall back on the IOI";

    ecXml two;
    two.SetText("<x>" + Written(e) + "<epoch><fStart>0</fStart><fStop>1</fStop><sID>B</sID></epoch></x>");
    ASSERT_TRUE(e.ReadXml(two));
    ASSERT_TRUE(e.ReadXml(two));
    EXPECT_EQ(e.sID, "B") << "successive calls read successive epochs";
    EXPECT_FALSE(e.ReadXml(two));
}
