#pragma once
#include <iosfwd>
#include <string>

#include "ecevents/foundation/ecBase.h"

class ecXml;

// A point in time relative to the event found for a named target or
// conditional of the same event specs. The option bit kMinus places it before
// that event. The run-time part (event-list index, latencies relative to the
// current target and to the recording, and in exact time the absolute
// sample) is written by the matching pass.
class ecTimeAnchor : public ecBase {
public:
    enum { kMinus = 1 };

    ecTimeAnchor();
    ecTimeAnchor(const ecTimeAnchor& other);
    ecTimeAnchor& operator=(const ecTimeAnchor& other);
    ~ecTimeAnchor() override;
    using ecBase::operator=;
    using ecBase::operator==;

    void SetTabDepth(int depth);
    int GetTabDepth() const;

    float GetLatencyWRTSpecifier() const;
    void SetLatencyWRTSpecifier(float latency);
    void SetLatencyWRTHome(float latency);
    float GetLatencyWRTHome() const;
    void SetLatencyAbsolute(float latency);
    float GetLatencyAbsolute() const;
    // Run time, exact-time passes only: the absolute latency as a sample,
    // which a float cannot hold past 2^24 samples. 0 after a reset.
    void SetSampleAbsolute(long long sample);
    long long GetSampleAbsolute() const;
    void SetEventListIndex(unsigned int index);
    int GetEventListIndex() const;
    std::string GetName() const;
    void SetName(const std::string& name);
    bool IsMinus() const;
    void SetDisplayCoords(int x, int y);
    void GetDisplayCoords(int& x, int& y) const;

    // Reads the children of the enclosing pre or post element.
    virtual void ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

    void ResetRuntimeParameters();

private:
    // Copies everything but the display coordinates and the tab depth.
    void CopyFrom(const ecTimeAnchor& other);

    float m_fLatencyWRTSpecifier = 0.0f;
    std::string m_sName;
    int m_iEventListIndex = -1;
    float m_fLatencyWRTHome = 0.0f;
    float m_fLatencyAbsolute = 0.0f;
    long long m_llSampleAbsolute = 0;
    int m_iDisplayX = 0;
    int m_iDisplayY = 0;
    int m_iTabDepth = 0;
};
