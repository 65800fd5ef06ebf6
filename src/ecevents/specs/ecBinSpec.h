#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/foundation/ecBase.h"
#include "ecevents/specs/ecAttribSet.h"

class ecXml;

// One bin of a bin description's bin specs section: its name, display
// colour, the create-new switch (option bit kCreateNew) and its attribute
// sets (owned).
class ecBinSpec : public ecBase {
public:
    enum { kCreateNew = 1 };

    ecBinSpec();
    ecBinSpec(const ecBinSpec& other);
    ecBinSpec& operator=(const ecBinSpec& other);
    ~ecBinSpec() override;
    using ecBase::operator=;
    using ecBase::operator==;

    void SetTabDepth(int depth);
    int GetTabDepth() const;
    std::string GetName() const;
    void SetName(const std::string& name);
    unsigned int GetColor() const;
    void SetColor(unsigned int color);
    bool IsCreateNew() const;
    void SetCreateNew(bool createNew);
    std::vector<ecAttribSet*>* GetpAttribSets();

    // False when the reader holds no further bin_spec element.
    virtual bool ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

private:
    void DeleteSets();

    std::string m_sName;
    unsigned int m_uColor = 0;
    std::vector<ecAttribSet*> m_vpAttribSets;
    int m_iTabDepth = 0;
};
