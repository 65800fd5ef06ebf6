#pragma once
#include <iosfwd>

class ecXml;

// Common base of the event record, the event list and the parameter classes:
// a state word, an option word, an error code, an instance type and a dirty
// flag behind virtual accessors.
class ecBase {
public:
    // The enumerators are the host's to define; the library uses none.
    enum instanceType { eUndefined = 0 };

    ecBase();
    explicit ecBase(ecBase::instanceType type);
    ecBase(const ecBase& other);
    virtual ~ecBase();

    virtual void SetState(long state);
    virtual void SetOption(long option);
    virtual void SetInstanceType(long type);
    virtual void SetStateFlag(long flag);
    virtual void SetOptionFlag(long flag);
    virtual void ClearStateFlag(long flag);
    virtual void ClearOptionFlag(long flag);
    virtual long GetState() const;
    virtual long GetOption() const;
    virtual long GetInstanceType() const;
    virtual void SetDirty(bool dirty);
    virtual bool IsDirty() const;
    virtual long GetErrorCode() const;
    virtual int operator=(const ecBase& other);
    virtual int operator==(const ecBase& other);

    bool WriteXml(std::ostream& out);
    bool ReadXml(ecXml& xml);

protected:
    int m_iState = 0;
    int m_iOption = 0;
    int m_iErrorCode = 0;
    int m_iInstanceType = 0;
    bool m_bDirtyFlag = false;
};
