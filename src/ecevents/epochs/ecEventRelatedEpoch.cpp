#include "ecevents/epochs/ecEventRelatedEpoch.h"

#include <initializer_list>
#include <ostream>
#include <utility>

#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

namespace {

const char* const kReadXml = "[ecEventRelatedEpoch::ReadXml] ";

// A required float child: its absence is a broken document.
float RequiredFloat(ecXml& xml, const char* tag)
{
    if (!xml.TagExists(tag))
        throw ecError(std::string(kReadXml) + "Required tag <" + tag + "> not found");
    return xml.GetFloat(tag);
}

// The detrend interval that a preset baseline word implies; false for any
// other word, whose interval is left alone.
bool PresetDetrend(const std::string& word, float start, float startIOF, float& from, float& to)
{
    if (word != "PreEvent" && word != "PreEventIOF")
        return false;
    from = word == "PreEvent" ? start : startIOF;
    to = 0.0f;
    return true;
}

// Plain float children: an absent one reads as 0.
void ReadFloats(ecXml& xml, std::initializer_list<std::pair<const char*, float*>> fields)
{
    for (const auto& [tag, field] : fields)
        *field = xml.GetFloat(tag);
}

// Clamps a window into [lo, hi] and falls back to [lo, hi] when it collapses.
// Comparisons are written so that an unordered (NaN) window also falls back.
void FitWindow(float& start, float& stop, bool clamp, float lo, float hi)
{
    if (clamp) {
        if (start < lo)
            start = lo;
        if (stop > hi)
            stop = hi;
    }
    if (!(start < stop)) {
        start = lo;
        stop = hi;
    }
}

template <class T>
void Element(std::ostream& out, const char* tag, const T& value)
{
    out << '<' << tag << '>' << value << "</" << tag << '>';
}

using FloatTags = std::initializer_list<std::pair<const char*, float>>;

// Starts a content line with a switch and, when it is set, the elements it
// enables; the caller may add more and ends the line.
bool FlagLine(std::ostream& out, const char* tag, bool flag, FloatTags enabled)
{
    out << "\t\t\t";
    Element(out, tag, flag ? 1 : 0);
    if (flag)
        for (const auto& [name, value] : enabled)
            Element(out, name, value);
    return flag;
}

} // namespace

ecEventRelatedEpoch::ecEventRelatedEpoch()
{
    ResetAll();
}

ecEventRelatedEpoch::ecEventRelatedEpoch(const ecEventRelatedEpoch& other) : ecBase()
{
    operator=(other);
}

ecEventRelatedEpoch::~ecEventRelatedEpoch() = default;

ecEventRelatedEpoch& ecEventRelatedEpoch::operator=(const ecEventRelatedEpoch& other)
{
    // The base-object fields belong to this object, not to the values it holds.
    if (this == &other)
        return *this;
    sID = other.sID;
    fStartIOF = other.fStartIOF;
    fStopIOF = other.fStopIOF;
    fStart = other.fStart;
    fStop = other.fStop;
    sFilteringIntervalOption = other.sFilteringIntervalOption;
    sBaselineDetrend = other.sBaselineDetrend;
    fDetrendStart = other.fDetrendStart;
    fDetrendStop = other.fDetrendStop;
    iPolynomialOrder = other.iPolynomialOrder;
    bApplyMagnitudeLimit = other.bApplyMagnitudeLimit;
    fElectricLow = other.fElectricLow;
    fElectricHigh = other.fElectricHigh;
    fMagneticLow = other.fMagneticLow;
    fMagneticHigh = other.fMagneticHigh;
    vChannels = other.vChannels;
    fThresholdStart = other.fThresholdStart;
    fThresholdStop = other.fThresholdStop;
    bEstimateCOV_Time = other.bEstimateCOV_Time;
    fCov_Time_Start = other.fCov_Time_Start;
    fCov_Time_Stop = other.fCov_Time_Stop;
    bEstimateCOV_Freq = other.bEstimateCOV_Freq;
    fCov_Freq_Start = other.fCov_Freq_Start;
    fCov_Freq_Stop = other.fCov_Freq_Stop;
    iCovarianceOption = other.iCovarianceOption;
    bEstimateCOV_TimeFreq = other.bEstimateCOV_TimeFreq;
    fCov_TimeFreq_Start_Time = other.fCov_TimeFreq_Start_Time;
    fCov_TimeFreq_Stop_Time = other.fCov_TimeFreq_Stop_Time;
    fCov_TimeFreq_Start_Freq = other.fCov_TimeFreq_Start_Freq;
    fCov_TimeFreq_Stop_Freq = other.fCov_TimeFreq_Stop_Freq;
    fSamplingRate = other.fSamplingRate;
    return *this;
}

void ecEventRelatedEpoch::ResetAll()
{
    sID = "Stim";
    fStart = -0.2f;
    fStop = 0.8f;
    fStartIOF = fStart;
    fStopIOF = fStop;
    sFilteringIntervalOption = "SameAsIOI";
    sBaselineDetrend = "PreEvent";
    fDetrendStart = -0.2f;
    fDetrendStop = 0.0f;
    iPolynomialOrder = 0;
    bApplyMagnitudeLimit = false;
    fElectricLow = -0.0001f;
    fElectricHigh = 0.0001f;
    fMagneticLow = 0.0f;
    fMagneticHigh = 0.0f;
    vChannels.clear();
    fThresholdStart = fStart;
    fThresholdStop = fStop;
    bEstimateCOV_Time = false;
    fCov_Time_Start = fStart;
    fCov_Time_Stop = fStop;
    bEstimateCOV_Freq = false;
    fCov_Freq_Start = fStart;
    fCov_Freq_Stop = fStop;
    iCovarianceOption = 1;
    bEstimateCOV_TimeFreq = false;
    fCov_TimeFreq_Start_Time = fStart;
    fCov_TimeFreq_Stop_Time = fStop;
    fCov_TimeFreq_Start_Freq = 0.0f;
    fCov_TimeFreq_Stop_Freq = 0.0f;
    fSamplingRate = 0.0f;
}

void ecEventRelatedEpoch::SetSamplingRate(float rate)
{
    fSamplingRate = rate;
}

bool ecEventRelatedEpoch::ReadXml(ecXml& xml)
{
    ecXml sub = xml.Sub("epoch");
    if (sub.IsEmpty()) {
        sub.Free();
        return false;
    }

    sID = sub.TagExists("sID") ? sub.CharacterData("sID") : std::string();
    fStart = RequiredFloat(sub, "fStart");
    fStop = RequiredFloat(sub, "fStop");

    if (sub.TagExists("sFilteringIntervalOption")) {
        sFilteringIntervalOption = sub.CharacterData("sFilteringIntervalOption");
        if (sFilteringIntervalOption == "CustomIOF") {
            fStartIOF = RequiredFloat(sub, "fStartIOF");
            fStopIOF = RequiredFloat(sub, "fStopIOF");
        }
    } else {
        sFilteringIntervalOption = "SameAsIOI";
    }

    if (sub.TagExists("sBaselineDetrend")) {
        sBaselineDetrend = sub.CharacterData("sBaselineDetrend");
        iPolynomialOrder = sub.TagExists("iPolynomialOrder") ? sub.GetInt("iPolynomialOrder") : 0;
        if (!PresetDetrend(sBaselineDetrend, fStart, fStartIOF, fDetrendStart, fDetrendStop) &&
            sBaselineDetrend == "Custom") {
            fDetrendStart = fStartIOF;
            fDetrendStop = 0.0f;
            fDetrendStart = RequiredFloat(sub, "fDetrendStart");
            fDetrendStop = RequiredFloat(sub, "fDetrendStop");
        }
    } else {
        sBaselineDetrend = "None";
    }

    bApplyMagnitudeLimit = sub.GetBool("bApplyMagnitudeLimit");
    if (bApplyMagnitudeLimit) {
        ReadFloats(sub, {{"fElectricLow", &fElectricLow}, {"fElectricHigh", &fElectricHigh},
                         {"fMagneticLow", &fMagneticLow}, {"fMagneticHigh", &fMagneticHigh},
                         {"fThresholdStart", &fThresholdStart}, {"fThresholdStop", &fThresholdStop}});
        vChannels.clear();
        for (std::string channel = sub.CharacterDataNext("Channel"); !channel.empty();
             channel = sub.CharacterDataNext("Channel"))
            vChannels.push_back(channel);
    }

    bEstimateCOV_Time = sub.GetBool("bEstimateCOV_Time");
    bEstimateCOV_Freq = sub.GetBool("bEstimateCOV_Freq");
    iCovarianceOption = sub.GetInt("iCovarianceOption");
    bEstimateCOV_TimeFreq = sub.GetBool("bEstimateCOV_TimeFreq");
    ReadFloats(sub, {{"fCov_Time_Start", &fCov_Time_Start}, {"fCov_Time_Stop", &fCov_Time_Stop},
                     {"fCov_Freq_Start", &fCov_Freq_Start}, {"fCov_Freq_Stop", &fCov_Freq_Stop},
                     {"fCov_TimeFreq_Start_Time", &fCov_TimeFreq_Start_Time},
                     {"fCov_TimeFreq_Stop_Time", &fCov_TimeFreq_Stop_Time},
                     {"fCov_TimeFreq_Start_Freq", &fCov_TimeFreq_Start_Freq},
                     {"fCov_TimeFreq_Stop_Freq", &fCov_TimeFreq_Stop_Freq}});

    // The reader repairs what it can; a remaining problem is the caller's to
    // find with its own CheckIntegrity.
    CheckIntegrity();
    sub.Free();
    return true;
}

void ecEventRelatedEpoch::WriteXml(std::ostream& out)
{
    out << std::endl;
    out << "\t\t<epoch>" << std::endl;

    out << "\t\t\t";
    Element(out, "sID", sID);
    Element(out, "fStart", fStart);
    Element(out, "fStop", fStop);
    if (sFilteringIntervalOption != "SameAsIOI") {
        Element(out, "sFilteringIntervalOption", sFilteringIntervalOption);
        if (sFilteringIntervalOption == "CustomIOF") {
            Element(out, "fStartIOF", fStartIOF);
            Element(out, "fStopIOF", fStopIOF);
        }
    }
    if (sBaselineDetrend != "None") {
        if (iPolynomialOrder > 0)
            Element(out, "iPolynomialOrder", iPolynomialOrder);
        Element(out, "sBaselineDetrend", sBaselineDetrend);
        if (sBaselineDetrend == "Custom") {
            Element(out, "fDetrendStart", fDetrendStart);
            Element(out, "fDetrendStop", fDetrendStop);
        }
    }
    out << std::endl;

    if (FlagLine(out, "bApplyMagnitudeLimit", bApplyMagnitudeLimit,
                 {{"fElectricLow", fElectricLow}, {"fElectricHigh", fElectricHigh}, {"fMagneticLow", fMagneticLow},
                  {"fMagneticHigh", fMagneticHigh}, {"fThresholdStart", fThresholdStart},
                  {"fThresholdStop", fThresholdStop}})) {
        out << std::endl;
        for (const std::string& channel : vChannels) {
            out << "\t\t\t";
            Element(out, "Channel", channel);
            out << std::endl;
        }
    }
    out << std::endl;
    FlagLine(out, "bEstimateCOV_Time", bEstimateCOV_Time,
             {{"fCov_Time_Start", fCov_Time_Start}, {"fCov_Time_Stop", fCov_Time_Stop}});
    out << std::endl;
    if (FlagLine(out, "bEstimateCOV_Freq", bEstimateCOV_Freq,
                 {{"fCov_Freq_Start", fCov_Freq_Start}, {"fCov_Freq_Stop", fCov_Freq_Stop}}))
        Element(out, "iCovarianceOption", iCovarianceOption);
    out << std::endl;
    FlagLine(out, "bEstimateCOV_TimeFreq", bEstimateCOV_TimeFreq,
             {{"fCov_TimeFreq_Start_Time", fCov_TimeFreq_Start_Time},
              {"fCov_TimeFreq_Stop_Time", fCov_TimeFreq_Stop_Time},
              {"fCov_TimeFreq_Start_Freq", fCov_TimeFreq_Start_Freq},
              {"fCov_TimeFreq_Stop_Freq", fCov_TimeFreq_Stop_Freq}});
    out << std::endl;

    out << "\t\t</epoch>" << std::endl;
}

void ecEventRelatedEpoch::AdjustIntervals(bool /*bFlag*/)
{
    if (sFilteringIntervalOption == "SameAsIOI") {
        fStartIOF = fStart;
        fStopIOF = fStop;
    } else {
        if (fStart < fStartIOF)
            fStartIOF = fStart;
        if (fStop > fStopIOF)
            fStopIOF = fStop;
        if (sFilteringIntervalOption != "WholeFile")
            sFilteringIntervalOption = "CustomIOF";
    }

    if (iPolynomialOrder < 0)
        iPolynomialOrder = 0;
    else if (iPolynomialOrder > 10)
        iPolynomialOrder = 10;

    if (fDetrendStart < fStartIOF)
        fDetrendStart = fStartIOF;
    if (fDetrendStop > fStopIOF)
        fDetrendStop = fStopIOF;
    if (!(fDetrendStart <= fDetrendStop)) {
        fDetrendStart = fStartIOF;
        fDetrendStop = fStopIOF;
    }

    if (sBaselineDetrend == "PreEvent") {
        if (fStart < 0.0f && fStop >= 0.0f) {
            fDetrendStart = fStart;
            fDetrendStop = 0.0f;
        } else {
            sBaselineDetrend = "None";
        }
    } else if (sBaselineDetrend == "PreEventIOF") {
        if (fStartIOF < 0.0f && fStopIOF >= 0.0f) {
            fDetrendStart = fStartIOF;
            fDetrendStop = 0.0f;
        } else {
            sBaselineDetrend = "None";
        }
    } else if (sBaselineDetrend != "Custom") {
        sBaselineDetrend = "None";
    }

    if (fThresholdStart < fStart)
        fThresholdStart = fStart;
    if (fThresholdStop > fStop)
        fThresholdStop = fStop;
    if (!(fThresholdStart < fThresholdStop) || !bApplyMagnitudeLimit) {
        fThresholdStart = fStart;
        fThresholdStop = fStop;
    }

    if (!(fElectricLow <= fElectricHigh)) {
        fElectricLow = -0.0001f;
        fElectricHigh = 0.0001f;
    }
    if (!(fMagneticLow <= fMagneticHigh)) {
        fMagneticLow = 0.0f;
        fMagneticHigh = 0.0f;
    }

    FitWindow(fCov_Time_Start, fCov_Time_Stop, bEstimateCOV_Time, fStart, fStop);
    FitWindow(fCov_Freq_Start, fCov_Freq_Stop, bEstimateCOV_Freq, fStart, fStop);
    FitWindow(fCov_TimeFreq_Start_Time, fCov_TimeFreq_Stop_Time, bEstimateCOV_TimeFreq, fStart, fStop);

    if (fSamplingRate > 0.0f) {
        if (bEstimateCOV_TimeFreq) {
            if (fCov_TimeFreq_Start_Freq < 0.0f)
                fCov_TimeFreq_Start_Freq = 0.0f;
            if (fCov_TimeFreq_Stop_Freq > fSamplingRate / 2.0f)
                fCov_TimeFreq_Stop_Freq = fSamplingRate / 2.0f;
        }
        if (!(fCov_TimeFreq_Start_Freq < fCov_TimeFreq_Stop_Freq)) {
            fCov_TimeFreq_Start_Freq = 0.0f;
            fCov_TimeFreq_Stop_Freq = fSamplingRate / 5.0f;
        }
    }
}

std::string ecEventRelatedEpoch::CheckIntegrity()
{
    AdjustIntervals(true);

    // The checks are phrased as "not inside" so that unordered values fail.
    if (sFilteringIntervalOption == "SameAsIOI" || sFilteringIntervalOption == "WholeFile") {
        fStartIOF = fStart;
        fStopIOF = fStop;
    } else if (sFilteringIntervalOption == "CustomIOF") {
        if (!(fStartIOF <= fStart) || !(fStop <= fStopIOF))
            return "Interval of filtering (IOF) does not contain the interval of interest.";
    } else {
        return "Unrecognized filtering interval option: " + sFilteringIntervalOption;
    }

    if (sBaselineDetrend != "None") {
        if (iPolynomialOrder < 0 || iPolynomialOrder > 10)
            return "Polynomial order for baseline/detrend out of range [0, 10].";
        if (!PresetDetrend(sBaselineDetrend, fStart, fStartIOF, fDetrendStart, fDetrendStop) &&
            sBaselineDetrend != "Custom")
            return "Unrecognized baseline/detrend option: " + sBaselineDetrend;
        if (!(fDetrendStart <= fDetrendStop))
            return "Baseline/detrend stop precedes start.";
        if (!(fStartIOF <= fDetrendStart) || !(fDetrendStop <= fStopIOF))
            return "Interval of filtering (IOF) does not contain the baseline/detrend interval.";
    }

    if (!(fStart <= fThresholdStart && fThresholdStart <= fStop))
        return "Start of threshold interval falls outside the interval of intererst.";
    if (!(fStart <= fThresholdStop && fThresholdStop <= fStop))
        return "Stop of threshold interval falls outside the interval of interest.";
    if (!(fThresholdStart <= fThresholdStop))
        return "Invalid threshold interval (start must not exceed stop).";
    return "";
}
