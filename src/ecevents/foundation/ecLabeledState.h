#pragma once
#include <iosfwd>
#include <string>

#include "ecevents/foundation/ecBase.h"

// A host's settings object: a label, a state word, the unit of the labelled
// data and two display switches, with a one-line XML form ("item").
class ecLabeledState : public ecBase {
public:
    ecLabeledState();
    ecLabeledState(const ecLabeledState& other);
    ~ecLabeledState() override;

    virtual void SetLabel(std::string label);
    virtual std::string GetLabel();
    virtual void SetDataUnit(std::string unit);
    virtual std::string GetDataUnit();
    virtual void SetUseDataUnit(bool use);
    virtual bool UseDataUnit() const;
    virtual void SetUseSIPrefix(bool use);
    virtual bool UseSIPrefix() const;
    virtual int operator=(const ecLabeledState& other);
    virtual int operator==(ecLabeledState& other);
    using ecBase::operator=;
    using ecBase::operator==;

    bool WriteXml(std::ostream& out);
    bool ReadXml(ecXml& xml);

private:
    std::string m_sLabel;
    std::string m_sDataUnit;
    bool m_bUseDataUnit = false;
    bool m_bUseSIPrefix = false;
};
