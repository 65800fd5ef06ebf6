#pragma once
#include "ecevents/foundation/ecBase.h"

#include <iosfwd>
#include <string>
#include <vector>

class ecXml;

// The parameters of one event-related epoch: the interval of interest, the
// interval of filtering, the baseline/detrend interval, the magnitude limits
// and the covariance windows. A value type: the host and the other classes
// read and write the fields directly.
class ecEventRelatedEpoch : public ecBase {
public:
    ecEventRelatedEpoch();
    ecEventRelatedEpoch(const ecEventRelatedEpoch& other);
    ~ecEventRelatedEpoch() override;
    ecEventRelatedEpoch& operator=(const ecEventRelatedEpoch& other);
    using ecBase::operator=;

    void ResetAll();
    void SetSamplingRate(float rate);

    // Reads the next <epoch> element; false when there is none.
    bool ReadXml(ecXml& xml);
    void WriteXml(std::ostream& out);

    // Repairs the dependent intervals in place; the flag has no influence.
    void AdjustIntervals(bool bFlag);
    // Adjusts, derives the filtering and baseline intervals and returns the
    // first problem found, or "" when there is none.
    std::string CheckIntegrity();

    std::string sID;
    float fStartIOF;
    float fStopIOF;
    float fStart;
    float fStop;
    std::string sFilteringIntervalOption;
    std::string sBaselineDetrend;
    float fDetrendStart;
    float fDetrendStop;
    int iPolynomialOrder;
    bool bApplyMagnitudeLimit;
    float fElectricLow;
    float fElectricHigh;
    float fMagneticLow;
    float fMagneticHigh;
    std::vector<std::string> vChannels;
    float fThresholdStart;
    float fThresholdStop;
    bool bEstimateCOV_Time;
    float fCov_Time_Start;
    float fCov_Time_Stop;
    bool bEstimateCOV_Freq;
    float fCov_Freq_Start;
    float fCov_Freq_Stop;
    int iCovarianceOption;
    bool bEstimateCOV_TimeFreq;
    float fCov_TimeFreq_Start_Time;
    float fCov_TimeFreq_Stop_Time;
    float fCov_TimeFreq_Start_Freq;
    float fCov_TimeFreq_Stop_Freq;
    float fSamplingRate;
};
