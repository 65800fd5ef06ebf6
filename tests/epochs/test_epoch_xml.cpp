#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

namespace {

std::string Written(ecEventRelatedEpoch& epoch)
{
    std::ostringstream out;
    epoch.WriteXml(out);
    return out.str();
}

bool ReadFrom(ecEventRelatedEpoch& epoch, const std::string& text)
{
    ecXml xml;
    xml.SetText(text);
    return epoch.ReadXml(xml);
}

std::string ReadError(ecEventRelatedEpoch& epoch, const std::string& text)
{
    try {
        ReadFrom(epoch, text);
    } catch (const ecError& e) {
        return e.what();
    }
    return "(no error)";
}

const char* const kDefaultText =
    "\n"
    "\t\t<epoch>\n"
    "\t\t\t<sID>Stim</sID><fStart>-0.2</fStart><fStop>0.8</fStop><sBaselineDetrend>PreEvent</sBaselineDetrend>\n"
    "\t\t\t<bApplyMagnitudeLimit>0</bApplyMagnitudeLimit>\n"
    "\t\t\t<bEstimateCOV_Time>0</bEstimateCOV_Time>\n"
    "\t\t\t<bEstimateCOV_Freq>0</bEstimateCOV_Freq>\n"
    "\t\t\t<bEstimateCOV_TimeFreq>0</bEstimateCOV_TimeFreq>\n"
    "\t\t</epoch>\n";

// Every optional part switched on, with values that survive the integrity
// check unchanged.
ecEventRelatedEpoch FullEpoch()
{
    ecEventRelatedEpoch e;
    e.sID = "Resp";
    e.fStart = -0.1f;
    e.fStop = 0.5f;
    e.sFilteringIntervalOption = "CustomIOF";
    e.fStartIOF = -1.5f;
    e.fStopIOF = 2.0f;
    e.sBaselineDetrend = "Custom";
    e.iPolynomialOrder = 2;
    e.fDetrendStart = -1.0f;
    e.fDetrendStop = 0.25f;
    e.bApplyMagnitudeLimit = true;
    e.fElectricLow = -5e-05f;
    e.fElectricHigh = 7e-05f;
    e.fMagneticLow = -3e-12f;
    e.fMagneticHigh = 4e-12f;
    e.fThresholdStart = 0.0f;
    e.fThresholdStop = 0.4f;
    e.vChannels = {"MEG0111", "EEG 001"};
    e.bEstimateCOV_Time = true;
    e.fCov_Time_Start = -0.05f;
    e.fCov_Time_Stop = 0.3f;
    e.bEstimateCOV_Freq = true;
    e.fCov_Freq_Start = 0.1f;
    e.fCov_Freq_Stop = 0.45f;
    e.iCovarianceOption = 3;
    e.bEstimateCOV_TimeFreq = true;
    e.fCov_TimeFreq_Start_Time = 0.0f;
    e.fCov_TimeFreq_Stop_Time = 0.2f;
    e.fCov_TimeFreq_Start_Freq = 8.0f;
    e.fCov_TimeFreq_Stop_Freq = 12.5f;
    return e;
}

void ExpectSameParameters(const ecEventRelatedEpoch& a, const ecEventRelatedEpoch& b)
{
    EXPECT_EQ(a.sID, b.sID);
    EXPECT_EQ(a.fStartIOF, b.fStartIOF);
    EXPECT_EQ(a.fStopIOF, b.fStopIOF);
    EXPECT_EQ(a.fStart, b.fStart);
    EXPECT_EQ(a.fStop, b.fStop);
    EXPECT_EQ(a.sFilteringIntervalOption, b.sFilteringIntervalOption);
    EXPECT_EQ(a.sBaselineDetrend, b.sBaselineDetrend);
    EXPECT_EQ(a.fDetrendStart, b.fDetrendStart);
    EXPECT_EQ(a.fDetrendStop, b.fDetrendStop);
    EXPECT_EQ(a.iPolynomialOrder, b.iPolynomialOrder);
    EXPECT_EQ(a.bApplyMagnitudeLimit, b.bApplyMagnitudeLimit);
    EXPECT_EQ(a.fElectricLow, b.fElectricLow);
    EXPECT_EQ(a.fElectricHigh, b.fElectricHigh);
    EXPECT_EQ(a.fMagneticLow, b.fMagneticLow);
    EXPECT_EQ(a.fMagneticHigh, b.fMagneticHigh);
    EXPECT_EQ(a.vChannels, b.vChannels);
    EXPECT_EQ(a.fThresholdStart, b.fThresholdStart);
    EXPECT_EQ(a.fThresholdStop, b.fThresholdStop);
    EXPECT_EQ(a.bEstimateCOV_Time, b.bEstimateCOV_Time);
    EXPECT_EQ(a.fCov_Time_Start, b.fCov_Time_Start);
    EXPECT_EQ(a.fCov_Time_Stop, b.fCov_Time_Stop);
    EXPECT_EQ(a.bEstimateCOV_Freq, b.bEstimateCOV_Freq);
    EXPECT_EQ(a.fCov_Freq_Start, b.fCov_Freq_Start);
    EXPECT_EQ(a.fCov_Freq_Stop, b.fCov_Freq_Stop);
    EXPECT_EQ(a.iCovarianceOption, b.iCovarianceOption);
    EXPECT_EQ(a.bEstimateCOV_TimeFreq, b.bEstimateCOV_TimeFreq);
    EXPECT_EQ(a.fCov_TimeFreq_Start_Time, b.fCov_TimeFreq_Start_Time);
    EXPECT_EQ(a.fCov_TimeFreq_Stop_Time, b.fCov_TimeFreq_Stop_Time);
    EXPECT_EQ(a.fCov_TimeFreq_Start_Freq, b.fCov_TimeFreq_Start_Freq);
    EXPECT_EQ(a.fCov_TimeFreq_Stop_Freq, b.fCov_TimeFreq_Stop_Freq);
}

} // namespace

TEST(EpochDefaults, ConstructorAndResetAllGiveTheTableValues)
{
    ecEventRelatedEpoch e;
    EXPECT_EQ(e.sID, "Stim");
    EXPECT_EQ(e.fStartIOF, -0.2f);
    EXPECT_EQ(e.fStopIOF, 0.8f);
    EXPECT_EQ(e.fStart, -0.2f);
    EXPECT_EQ(e.fStop, 0.8f);
    EXPECT_EQ(e.sFilteringIntervalOption, "SameAsIOI");
    EXPECT_EQ(e.sBaselineDetrend, "PreEvent");
    EXPECT_EQ(e.fDetrendStart, -0.2f);
    EXPECT_EQ(e.fDetrendStop, 0.0f);
    EXPECT_EQ(e.iPolynomialOrder, 0);
    EXPECT_FALSE(e.bApplyMagnitudeLimit);
    EXPECT_EQ(e.fElectricLow, -0.0001f);
    EXPECT_EQ(e.fElectricHigh, 0.0001f);
    EXPECT_EQ(e.fMagneticLow, 0.0f);
    EXPECT_EQ(e.fMagneticHigh, 0.0f);
    EXPECT_TRUE(e.vChannels.empty());
    EXPECT_EQ(e.fThresholdStart, -0.2f);
    EXPECT_EQ(e.fThresholdStop, 0.8f);
    EXPECT_EQ(e.fCov_Time_Start, -0.2f);
    EXPECT_EQ(e.fCov_Freq_Stop, 0.8f);
    EXPECT_EQ(e.fCov_TimeFreq_Start_Time, -0.2f);
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Time, 0.8f);
    EXPECT_EQ(e.iCovarianceOption, 1);
    EXPECT_EQ(e.fSamplingRate, 0.0f);

    ecEventRelatedEpoch changed = FullEpoch();
    changed.SetSamplingRate(1000.0f);
    changed.SetDirty(true);
    changed.ResetAll();
    ExpectSameParameters(changed, ecEventRelatedEpoch());
    EXPECT_EQ(changed.fSamplingRate, 0.0f);
    EXPECT_TRUE(changed.IsDirty()) << "ResetAll leaves the base-object fields alone";
}

TEST(EpochCopy, CopiesParametersButNotTheBaseObjectFields)
{
    ecEventRelatedEpoch source = FullEpoch();
    source.SetSamplingRate(512.0f);
    source.SetState(5);
    source.SetDirty(true);

    ecEventRelatedEpoch target;
    target.SetInstanceType(9);
    target = source;
    ExpectSameParameters(target, source);
    EXPECT_EQ(target.fSamplingRate, 512.0f);
    EXPECT_FALSE(target.IsDirty());
    EXPECT_EQ(target.GetState(), 0);
    EXPECT_EQ(target.GetInstanceType(), 9);

    ecEventRelatedEpoch copy(source);
    ExpectSameParameters(copy, source);
    EXPECT_EQ(copy.fSamplingRate, 512.0f);
    EXPECT_FALSE(copy.IsDirty());

    target = target;
    ExpectSameParameters(target, source);
}

TEST(EpochWrite, DefaultEpochWritesOnlyTheRequiredParts)
{
    ecEventRelatedEpoch e;
    EXPECT_EQ(Written(e), kDefaultText);
}

TEST(EpochWrite, EveryOptionalPartInItsPlace)
{
    ecEventRelatedEpoch e = FullEpoch();
    const std::string expected =
        "\n"
        "\t\t<epoch>\n"
        "\t\t\t<sID>Resp</sID><fStart>-0.1</fStart><fStop>0.5</fStop>"
        "<sFilteringIntervalOption>CustomIOF</sFilteringIntervalOption><fStartIOF>-1.5</fStartIOF><fStopIOF>2</fStopIOF>"
        "<iPolynomialOrder>2</iPolynomialOrder><sBaselineDetrend>Custom</sBaselineDetrend>"
        "<fDetrendStart>-1</fDetrendStart><fDetrendStop>0.25</fDetrendStop>\n"
        "\t\t\t<bApplyMagnitudeLimit>1</bApplyMagnitudeLimit><fElectricLow>-5e-05</fElectricLow>"
        "<fElectricHigh>7e-05</fElectricHigh><fMagneticLow>-3e-12</fMagneticLow><fMagneticHigh>4e-12</fMagneticHigh>"
        "<fThresholdStart>0</fThresholdStart><fThresholdStop>0.4</fThresholdStop>\n"
        "\t\t\t<Channel>MEG0111</Channel>\n"
        "\t\t\t<Channel>EEG 001</Channel>\n"
        "\n"
        "\t\t\t<bEstimateCOV_Time>1</bEstimateCOV_Time><fCov_Time_Start>-0.05</fCov_Time_Start>"
        "<fCov_Time_Stop>0.3</fCov_Time_Stop>\n"
        "\t\t\t<bEstimateCOV_Freq>1</bEstimateCOV_Freq><fCov_Freq_Start>0.1</fCov_Freq_Start>"
        "<fCov_Freq_Stop>0.45</fCov_Freq_Stop><iCovarianceOption>3</iCovarianceOption>\n"
        "\t\t\t<bEstimateCOV_TimeFreq>1</bEstimateCOV_TimeFreq><fCov_TimeFreq_Start_Time>0</fCov_TimeFreq_Start_Time>"
        "<fCov_TimeFreq_Stop_Time>0.2</fCov_TimeFreq_Stop_Time><fCov_TimeFreq_Start_Freq>8</fCov_TimeFreq_Start_Freq>"
        "<fCov_TimeFreq_Stop_Freq>12.5</fCov_TimeFreq_Stop_Freq>\n"
        "\t\t</epoch>\n";
    EXPECT_EQ(Written(e), expected);
}

TEST(EpochWrite, OptionWordsDecideWhatIsWritten)
{
    ecEventRelatedEpoch e;
    e.sFilteringIntervalOption = "WholeFile";
    e.sBaselineDetrend = "None";
    e.iPolynomialOrder = 3;
    const std::string text = Written(e);
    EXPECT_NE(text.find("<sFilteringIntervalOption>WholeFile</sFilteringIntervalOption>\n"), std::string::npos);
    EXPECT_EQ(text.find("fStartIOF"), std::string::npos);
    EXPECT_EQ(text.find("iPolynomialOrder"), std::string::npos) << "no order without a baseline";
    EXPECT_EQ(text.find("sBaselineDetrend"), std::string::npos);

    e.sBaselineDetrend = "PreEventIOF";
    const std::string withBaseline = Written(e);
    EXPECT_NE(withBaseline.find("<iPolynomialOrder>3</iPolynomialOrder><sBaselineDetrend>PreEventIOF"),
              std::string::npos);
    EXPECT_EQ(withBaseline.find("fDetrendStart"), std::string::npos);

    e.bApplyMagnitudeLimit = true;
    const std::string noChannels = Written(e);
    EXPECT_NE(noChannels.find("</fThresholdStop>\n\n\t\t\t<bEstimateCOV_Time>"), std::string::npos)
        << "a set flag leaves an empty line even without channels";
}

TEST(EpochRead, RoundTripKeepsEveryParameter)
{
    ecEventRelatedEpoch source = FullEpoch();
    ecEventRelatedEpoch read;
    ASSERT_TRUE(ReadFrom(read, Written(source)));
    ExpectSameParameters(read, source);
}

TEST(EpochRead, DefaultRoundTripAndBaselineNone)
{
    ecEventRelatedEpoch source;
    ecEventRelatedEpoch read = FullEpoch();
    ASSERT_TRUE(ReadFrom(read, Written(source)));
    EXPECT_EQ(read.sID, "Stim");
    EXPECT_EQ(read.sFilteringIntervalOption, "SameAsIOI");
    EXPECT_EQ(read.fStartIOF, -0.2f);
    EXPECT_EQ(read.fStopIOF, 0.8f);
    EXPECT_EQ(read.sBaselineDetrend, "PreEvent");
    EXPECT_EQ(read.iPolynomialOrder, 0);
    EXPECT_EQ(read.fDetrendStart, -0.2f);
    EXPECT_EQ(read.fDetrendStop, 0.0f);
    EXPECT_FALSE(read.bEstimateCOV_Time);
    // Covariance windows are read whatever their flags say: absent elements
    // read as 0 and the adjustment falls back on the interval of interest.
    EXPECT_EQ(read.fCov_Time_Start, -0.2f);
    EXPECT_EQ(read.fCov_Time_Stop, 0.8f);

    source.sBaselineDetrend = "None";
    ecEventRelatedEpoch none;
    ASSERT_TRUE(ReadFrom(none, Written(source)));
    EXPECT_EQ(none.sBaselineDetrend, "None");
}

TEST(EpochRead, NoEpochElementChangesNothing)
{
    ecEventRelatedEpoch e = FullEpoch();
    EXPECT_FALSE(ReadFrom(e, "<bin_results><bin_ops></bin_ops></bin_results>"));
    ExpectSameParameters(e, FullEpoch());
    EXPECT_FALSE(ReadFrom(e, ""));
}

TEST(EpochRead, SuccessiveCallsReadSuccessiveEpochs)
{
    ecEventRelatedEpoch a;
    a.sID = "First";
    ecEventRelatedEpoch b = FullEpoch();
    ecXml xml;
    xml.SetText("<bin_results>" + Written(a) + Written(b) + "</bin_results>");
    ecEventRelatedEpoch e;
    ASSERT_TRUE(e.ReadXml(xml));
    EXPECT_EQ(e.sID, "First");
    ASSERT_TRUE(e.ReadXml(xml));
    EXPECT_EQ(e.sID, "Resp");
    EXPECT_FALSE(e.ReadXml(xml));
    EXPECT_EQ(e.sID, "Resp");
}

TEST(EpochRead, MissingRequiredElements)
{
    ecEventRelatedEpoch e;
    EXPECT_EQ(ReadError(e, "<epoch><sID>X</sID><fStop>1</fStop></epoch>"),
              "[ecEventRelatedEpoch::ReadXml] Required tag <fStart> not found");
    EXPECT_EQ(e.sID, "X") << "what was read before the failure stays";
    EXPECT_EQ(ReadError(e, "<epoch><fStart>-0.5</fStart></epoch>"),
              "[ecEventRelatedEpoch::ReadXml] Required tag <fStop> not found");
    EXPECT_EQ(e.sID, "") << "an absent sID reads as empty";
    EXPECT_EQ(e.fStart, -0.5f);

    EXPECT_EQ(ReadError(e, "<epoch><fStart>0</fStart><fStop>1</fStop>"
                           "<sFilteringIntervalOption>CustomIOF</sFilteringIntervalOption></epoch>"),
              "[ecEventRelatedEpoch::ReadXml] Required tag <fStartIOF> not found");
    EXPECT_EQ(ReadError(e, "<epoch><fStart>0</fStart><fStop>1</fStop>"
                           "<sFilteringIntervalOption>CustomIOF</sFilteringIntervalOption>"
                           "<fStartIOF>-3</fStartIOF></epoch>"),
              "[ecEventRelatedEpoch::ReadXml] Required tag <fStopIOF> not found");
    EXPECT_EQ(e.fStartIOF, -3.0f);

    EXPECT_EQ(ReadError(e, "<epoch><fStart>-1</fStart><fStop>1</fStop>"
                           "<sBaselineDetrend>Custom</sBaselineDetrend></epoch>"),
              "[ecEventRelatedEpoch::ReadXml] Required tag <fDetrendStart> not found");
    EXPECT_EQ(ReadError(e, "<epoch><fStart>-1</fStart><fStop>1</fStop>"
                           "<sBaselineDetrend>Custom</sBaselineDetrend><fDetrendStart>-0.5</fDetrendStart></epoch>"),
              "[ecEventRelatedEpoch::ReadXml] Required tag <fDetrendStop> not found");
    EXPECT_EQ(e.fDetrendStart, -0.5f);

    // The IOF fields are required only with "CustomIOF".
    EXPECT_TRUE(ReadFrom(e, "<epoch><fStart>0</fStart><fStop>1</fStop>"
                            "<sFilteringIntervalOption>WholeFile</sFilteringIntervalOption></epoch>"));
    EXPECT_EQ(e.sFilteringIntervalOption, "WholeFile");
}

TEST(EpochRead, BaselineOptionsDeriveTheDetrendInterval)
{
    ecEventRelatedEpoch e;
    ASSERT_TRUE(ReadFrom(e, "<epoch><fStart>-0.3</fStart><fStop>1</fStop>"
                            "<sFilteringIntervalOption>CustomIOF</sFilteringIntervalOption>"
                            "<fStartIOF>-0.7</fStartIOF><fStopIOF>1.2</fStopIOF>"
                            "<sBaselineDetrend>PreEventIOF</sBaselineDetrend></epoch>"));
    EXPECT_EQ(e.iPolynomialOrder, 0) << "absent order reads as 0 when a baseline is given";
    EXPECT_EQ(e.fDetrendStart, -0.7f);
    EXPECT_EQ(e.fDetrendStop, 0.0f);

    e.iPolynomialOrder = 4;
    e.fDetrendStart = -0.1f;
    e.fDetrendStop = 0.05f;
    ASSERT_TRUE(ReadFrom(e, "<epoch><fStart>-0.3</fStart><fStop>1</fStop></epoch>"));
    EXPECT_EQ(e.sBaselineDetrend, "None");
    EXPECT_EQ(e.iPolynomialOrder, 4) << "without a baseline element the order is left alone";
    EXPECT_EQ(e.fDetrendStart, -0.1f);
    EXPECT_EQ(e.fDetrendStop, 0.05f);
}

TEST(EpochRead, MagnitudeLimitsAndChannels)
{
    ecEventRelatedEpoch e = FullEpoch();
    ASSERT_TRUE(ReadFrom(e, "<epoch><fStart>-0.1</fStart><fStop>0.5</fStop>"
                            "<bApplyMagnitudeLimit>0</bApplyMagnitudeLimit><fElectricLow>-9</fElectricLow>"
                            "<Channel>X</Channel></epoch>"));
    EXPECT_EQ(e.vChannels, (std::vector<std::string>{"MEG0111", "EEG 001"}));
    EXPECT_EQ(e.fElectricLow, -5e-05f);
    EXPECT_EQ(e.fMagneticHigh, 4e-12f);

    ASSERT_TRUE(ReadFrom(e, "<epoch><fStart>-0.1</fStart><fStop>0.5</fStop>"
                            "<bApplyMagnitudeLimit>1</bApplyMagnitudeLimit><fElectricLow>-2</fElectricLow>"
                            "<fElectricHigh>2</fElectricHigh><fThresholdStart>0</fThresholdStart>"
                            "<fThresholdStop>0.3</fThresholdStop>"
                            "<Channel>A</Channel><Channel>B</Channel><Channel></Channel><Channel>C</Channel>"
                            "</epoch>"));
    EXPECT_EQ(e.vChannels, (std::vector<std::string>{"A", "B"})) << "an empty Channel ends the list";
    EXPECT_EQ(e.fElectricLow, -2.0f);
    EXPECT_EQ(e.fElectricHigh, 2.0f);
    EXPECT_EQ(e.fThresholdStart, 0.0f);
    EXPECT_EQ(e.fThresholdStop, 0.3f);
}

TEST(EpochRead, EndsWithTheIntegrityAdjustment)
{
    ecEventRelatedEpoch e;
    e.SetSamplingRate(1000.0f);
    ASSERT_TRUE(ReadFrom(e, "<epoch><fStart>0.1</fStart><fStop>0.8</fStop>"
                            "<iPolynomialOrder>12</iPolynomialOrder><sBaselineDetrend>PreEvent</sBaselineDetrend>"
                            "<bEstimateCOV_TimeFreq>1</bEstimateCOV_TimeFreq>"
                            "<fCov_TimeFreq_Stop_Freq>700</fCov_TimeFreq_Stop_Freq></epoch>"));
    EXPECT_EQ(e.sBaselineDetrend, "None") << "no pre-event part to take a baseline from";
    EXPECT_EQ(e.iPolynomialOrder, 10);
    EXPECT_EQ(e.fStartIOF, 0.1f);
    EXPECT_EQ(e.fCov_TimeFreq_Stop_Freq, 500.0f);
    EXPECT_EQ(e.fSamplingRate, 1000.0f) << "the sampling rate is not part of the element";
}
