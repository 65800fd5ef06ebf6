#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/specs/ecEventSpecBase.h"

class ecXml;

// The events that an attribute spec can tag: one of the event names here,
// with the condition flags passing on it.
class ecTarget : public ecEventSpecBase {
public:
    ecTarget();
    ecTarget(const ecTarget& other);
    ecTarget& operator=(const ecTarget& other);
    ~ecTarget() override;
    using ecBase::operator=;
    using ecBase::operator==;

    void AddEvent(const std::string& name);
    int GetNumEvents() const;
    std::vector<std::string>* GetpEventNames();

    // False when the reader holds no further target element.
    virtual bool ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

    void ResetRuntimeParameters();

private:
    std::vector<std::string> m_vEventNames;
};
