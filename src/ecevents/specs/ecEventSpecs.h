#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/specs/ecConditional.h"
#include "ecevents/specs/ecTarget.h"
#include "ecevents/specs/ecTimeAnchor.h"

class ecXml;

// The targets and conditionals of one attribute spec (owned), with lookups by
// name for resolving time-anchor specifiers and editing by index.
class ecEventSpecs {
public:
    ecEventSpecs();
    ecEventSpecs(const ecEventSpecs& other);
    ecEventSpecs& operator=(const ecEventSpecs& other);
    virtual ~ecEventSpecs();

    void SetTabDepth(int depth);
    int GetTabDepth() const;

    std::vector<ecTarget*>* GetpTargetList();
    int GetNumTargets() const;
    ecTarget* GetpTarget(int iTarget);
    std::vector<ecConditional*>* GetpConditionalList();
    int GetNumConditionals() const;
    ecConditional* GetpConditional(int iCond);

    ecTarget* NameToTarget(const std::string& name);
    ecConditional* NameToConditional(const std::string& name);
    // The own anchor of the first target, else of the first conditional, so
    // named; null when none. Throws on the empty name.
    ecTimeAnchor* NameToTimeAnchor(const std::string& name);

    // Creates the target (conditional) "T" (or "C") + index when the index is
    // beyond the end, then adds the name to it.
    void AddTargetEvent(const std::string& name, int iTarget);
    void AddConditionalEvent(const std::string& name, int iCond);
    std::string GetTargetEvent(int iEvent, int iTarget);
    std::string GetConditionalEvent(int iEvent, int iCond);
    std::string GetTargetName(int iTarget);
    std::string GetConditionalName(int iCond);
    int GetNumEventsInTarget(int iTarget);
    int GetNumEventsInConditional(int iCond);

    // Appends a new target (conditional) with the given name; returns it.
    ecTarget* AppendTarget(const std::string& name);
    ecConditional* AppendConditional(const std::string& name);
    void DeleteOneTarget(int iTarget);
    void DeleteOneConditional(int iCond);
    void DeleteOneTargetEvent(int iEvent, int iTarget);
    void DeleteOneConditionalEvent(int iEvent, int iCond);

    void ResetRuntimeParameters();
    void ConsistencyCheck();

    // False when the reader holds no further event_specs element.
    virtual bool ReadXml(ecXml& xml);
    virtual void WriteXml(std::ostream& out);

private:
    void DeleteAll();
    void CopyFrom(const ecEventSpecs& other);

    std::vector<ecTarget*> m_vpTargets;
    std::vector<ecConditional*> m_vpConditionals;
    int m_iTabDepth = 0;
};
