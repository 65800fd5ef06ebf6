#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecBinSpec.h"
#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecTarget.h"
#include "ecevents/specs/ecTimeAnchor.h"
#include "ecutil/ecXml.h"

class ecEventList;

// The bin description: the attribute specs that the matching pass tries in
// order, the unique event names of the recording it was made for, and the
// bin specs section, kept as text and written back unchanged. Saved and loaded
// as the "bin_desc" document.
//
// The editing operations on one attribute spec take its index in the position each
// one has always had; "guarded" ones do nothing (or return -1 or null) for a
// spec index out of range, the others require a valid one.
class ecPar_BinDesc {
public:
    ecPar_BinDesc();
    ecPar_BinDesc(const ecPar_BinDesc& other);
    ecPar_BinDesc& operator=(const ecPar_BinDesc& other);
    virtual ~ecPar_BinDesc();

    // Document.
    void Read(const std::string& file);
    void Write(const std::string& file);
    // The flag has no effect.
    virtual void ReadXml(ecXml& xml, bool flag);
    virtual void WriteXml(std::ostream& out);
    void Clear();
    void ClearAllAttribSpecs();
    void AddOneAttribSpec();
    void DeleteOneAttribSpec(int iSpec);
    int GetNumAttribSpecs() const;
    std::vector<ecAttribSpec*>* GetpAttribSpecList();
    ecAttribSpec* GetpAttribSpec(int iSpec);
    std::vector<ecBinSpec*>* GetpBinSpecList();
    // The bin_specs section as read; empty when the document had none.
    ecXml* GetpBinSpecsSection();
    std::vector<std::string>* GetpUniqueEventNames();
    void SetUniqueEvents(ecEventList* events);
    std::string GetUniqueEventName(int i);
    std::vector<std::string> GetUniqueFactorValueTags();
    void ConsistencyCheck();
    void ResetRuntimeParameters();
    int GetNumConditionalsBeforeAfterT0(int iSpec, int& before, int& after);
    int GetNumPermeables(int iSpec);

    // On one attribute spec (iSpec open unless noted).
    std::string GetOneFactor(int iSpec, int k);
    std::string GetOneValue(int iSpec, int k);
    int GetNumTags(int iSpec);
    int GetNumFactors(int iSpec);
    int GetNumTargets(int iSpec);
    int GetNumConditionals(int iSpec);
    void AppendOneFactor(int iSpec, const std::string& factor);
    void AppendOneTag(int iSpec, const std::string& value);
    void AppendOneFactorValuePair(int iSpec, const std::string& factor, const std::string& value);
    void DeleteOneTag(int iSpec, const std::string& value);
    void DeleteOneTag(int iSpec, int k);
    int WhichFactor(int iSpec, const std::string& factor);             // guarded: -1
    void ReplaceValue(int iSpec, int k, const std::string& value);     // guarded
    int CreateTarget(int iSpec, const std::string& name);              // guarded: -1
    int CreateConditional(int iSpec, const std::string& name);         // guarded: -1
    void AddTargetEvent(const std::string& name, int iSpec, int iTarget);
    void AddConditionalEvent(const std::string& name, int iSpec, int iCond);
    std::string GetTargetEvent(int iEvent, int iSpec, int iTarget);
    std::string GetConditionalEvent(int iEvent, int iSpec, int iCond);
    int GetNumEventsInTarget(int iSpec, int iTarget);                  // guarded: -1
    int GetNumEventsInConditional(int iSpec, int iCond);               // guarded: -1
    std::string GetTargetName(int iTarget, int iSpec);
    std::string GetConditionalName(int iCond, int iSpec);
    ecTarget* GetpTarget(int iSpec, int iTarget);                      // guarded: null
    ecConditional* GetpConditional(int iCond, int iSpec);              // guarded: null
    void SetConditionalProperties(int iCond, int iSpec, ecTimeAnchor pre, ecTimeAnchor post,
                                  unsigned int option);                // guarded
    void DeleteOneTarget(int iSpec, int iTarget);                      // guarded
    void DeleteOneTargetEvent(int iEvent, int iSpec, int iTarget);     // guarded
    void DeleteOneConditional(int iSpec, int iCond);                   // guarded
    void DeleteOneConditionalEvent(int iEvent, int iSpec, int iCond);  // guarded

private:
    bool IsSpecIndex(int iSpec) const;
    void DeleteAttribSpecs();
    void DeleteBinSpecs();
    void CopyFrom(const ecPar_BinDesc& other);

    std::vector<ecBinSpec*> m_vpBinSpecs;
    std::vector<ecAttribSpec*> m_vpAttribSpecs;
    std::string m_sDocName;
    std::vector<std::string> m_vUniqueEventNames;
    ecXml m_BinSpecsSection;
};
