#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecTimeAnchor.h"

class ecXml;

// One attribute spec of a bin description: the factor/value pairs
// it grants (tag factor:value) and the event specs that decide which events
// receive them. The two lists are parallel; where they differ in length the
// shorter one gives the number of pairs.
class ecAttribSpec {
public:
    ecAttribSpec();
    ecAttribSpec(const ecAttribSpec& other);
    ecAttribSpec& operator=(const ecAttribSpec& other);
    virtual ~ecAttribSpec();

    void SetTabDepth(int depth);
    int GetTabDepth() const;
    ecEventSpecs* GetpEventSpecs();
    ecTimeAnchor* GetpTimeAnchor();
    ecTimeAnchor* NameToTimeAnchor(const std::string& name);

    int GetNumFactors() const;
    int GetNumTags() const;
    // min(number of factors, number of values)
    int GetNumPairs() const;
    std::string GetOneFactor(int k) const;
    std::string GetOneValue(int k) const;
    // factor k + ":" + value k
    std::string GetOneAttribTag(int k) const;
    void AppendOneFactor(const std::string& factor);
    void AppendOneTag(const std::string& value);
    void AppendOneFactorValuePair(const std::string& factor, const std::string& value);
    void DeleteOneFactor(int k);
    void DeleteOneFactor(const std::string& factor);
    void DeleteOneTag(int k);
    void DeleteOneTag(const std::string& value);
    int WhichFactor(const std::string& factor) const;
    void ReplaceValue(int k, const std::string& value);

    // Returns the new number of targets.
    int CreateTarget(const std::string& name);
    // Returns the index of the new conditional.
    int CreateConditional(const std::string& name);

    void ResetRuntimeParameters();
    void ConsistencyCheck();

    // False when the reader holds no further attrib_spec element.
    virtual bool ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

private:
    std::vector<std::string> m_vFactors;
    std::vector<std::string> m_vValues;
    ecEventSpecs m_EventSpecs;
    ecTimeAnchor m_TimeAnchor;
    int m_iTabDepth = 0;
};
