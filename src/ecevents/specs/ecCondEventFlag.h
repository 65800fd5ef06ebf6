#pragma once
#include <iosfwd>

#include "ecevents/foundation/ecBase.h"

class ecXml;

// One condition on the code word of an event: passes when one of the code
// bits is present (none of them with kInvert), and on passing may set and
// clear code bits (kSet, kClear).
class ecCondEventFlag : public ecBase {
public:
    enum { kInvert = 1, kSet = 2, kClear = 4 };

    ecCondEventFlag();
    ecCondEventFlag(const ecCondEventFlag& other);
    ecCondEventFlag& operator=(const ecCondEventFlag& other);
    ~ecCondEventFlag() override;
    using ecBase::operator=;
    using ecBase::operator==;

    void SetTabDepth(int depth);
    int GetTabDepth() const;

    void SetCode(unsigned int code);
    unsigned int GetCode() const;
    void SetSetCode(unsigned int code);
    unsigned int GetSetCode() const;
    void SetClearCode(unsigned int code);
    unsigned int GetClearCode() const;

    // False when the reader holds no further flag element.
    virtual bool ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

private:
    unsigned int m_uCode = 0;
    unsigned int m_uSetCode = 0;
    unsigned int m_uClearCode = 0;
    int m_iTabDepth = 0;
};
