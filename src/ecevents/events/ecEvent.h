#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/foundation/ecBase.h"

class ecXml;

// One event (marker) of a recording: a named mark at a sample or over a
// sample interval, with status, colour, attribute flags, analysis values and
// the attribute tags that matching attaches. A plain record: the event list,
// the readers and the host use the fields directly.
class ecEvent : public ecBase {
public:
    ecEvent();
    ecEvent(const ecEvent& other);
    ecEvent& operator=(const ecEvent& other);
    // Moves let lists grow and sort without copying names and tags.
    ecEvent(ecEvent&& other) noexcept;
    ecEvent& operator=(ecEvent&& other) noexcept;
    ~ecEvent() override;
    using ecBase::operator=;

    bool operator==(const ecEvent& other) const;
    bool operator<(const ecEvent& other) const;
    bool operator>(const ecEvent& other) const;

    std::string GetEventName() const;
    unsigned int GetEventStatus() const;
    int GetEventStart() const;
    int GetEventStop() const;
    int GetEventCenter() const;
    int GetEventAttribute() const;
    unsigned int GetEventColor() const;
    std::string GetEventNotation() const;
    // A default event when none is associated.
    ecEvent GetAssociatedEvent() const;
    float GetResponseTime() const;
    float GetResponseMag() const;
    float GetResponseScore() const;
    float GetPeakStart() const;
    float GetPeakStop() const;
    float GetPeakArea() const;
    float GetPeakMean() const;
    float GetTimeStart() const;
    float GetTimeStop() const;
    float GetFreqStart() const;
    float GetFreqStop() const;
    float GetFWHMTime() const;
    float GetFWHMFreq() const;
    unsigned int GetCode() const;

    void SetRejectedOn();
    void SetRejectedOff();
    bool IsRejected() const;
    bool IsAccepted() const;
    void SetStatusOn();
    void SetStatusOff();
    void ClearStatus();
    bool IsStatusOn() const;
    bool IsStatusOff() const;

    void SetDipoleOn();
    void SetDipoleOff();
    bool IsForDipole() const;
    void SetTagged();
    void ClearTagged();
    bool IsTagged() const;
    void SetCompound();
    void ClearCompound();
    bool IsCompound() const;

    void SetCode(unsigned int code);
    void SetCodeFlag(unsigned int flag);
    void ClearCodeFlag(unsigned int flag);

    unsigned int GetXORWhiteColor() const;
    unsigned int ScaleColorIntensity(float factor) const;
    void HalfIntensity();

    bool IsSegmentBoundary() const;
    void SetSegmentBoundaryDefaults();
    int ExclusionLevelNameOnly() const;
    int ExclusionLevel() const;

    bool ReadXml(ecXml& xml);
    bool WriteXml(std::ostream& out);

    std::string m_sName;
    unsigned int m_nStatus = 0;
    int m_iStart = 0;
    int m_iStop = 0;
    int m_iCenter = 0;
    int m_iAttribute = 0;
    unsigned int m_nColor = 0;
    std::string m_sNotation;
    std::vector<std::string> m_vTags;
    ecEvent* m_pAssociatedEvent = nullptr;
    float m_fResponseTime = 0.0f;
    float m_fResponseMag = 0.0f;
    float m_fResponseScore = 0.0f;
    float m_fPeakStart = 0.0f;
    float m_fPeakStop = 0.0f;
    float m_fPeakArea = 0.0f;
    float m_fPeakMean = 0.0f;
    float m_fTimeStart = 0.0f;
    float m_fTimeStop = 0.0f;
    float m_fFreqStart = 0.0f;
    float m_fFreqStop = 0.0f;
    float m_fFWHMTime = 0.0f;
    float m_fFWHMFreq = 0.0f;
    unsigned int m_nCode = 0;
    int m_nLoadCount = 0;

private:
    // Copies every field but the name, the notation and the tags, which the
    // copy and the move operations each take in their own way.
    void CopyPlainFields(const ecEvent& other);
};
