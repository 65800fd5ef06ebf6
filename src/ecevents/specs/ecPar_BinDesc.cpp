#include "ecevents/specs/ecPar_BinDesc.h"

#include <fstream>
#include <ostream>
#include <unordered_set>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecSpecReading.h"
#include "ecutil/ecXmlWriter.h"

ecPar_BinDesc::ecPar_BinDesc() : m_sDocName("bin_desc") {}

ecPar_BinDesc::ecPar_BinDesc(const ecPar_BinDesc& other) : m_sDocName(other.m_sDocName)
{
    CopyFrom(other);
}

ecPar_BinDesc& ecPar_BinDesc::operator=(const ecPar_BinDesc& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

ecPar_BinDesc::~ecPar_BinDesc()
{
    DeleteAttribSpecs();
    DeleteBinSpecs();
}

// The bin specs section stays behind: a copy starts without one.
void ecPar_BinDesc::CopyFrom(const ecPar_BinDesc& other)
{
    ecCopyOwned(other.m_vpAttribSpecs, m_vpAttribSpecs);
    ecCopyOwned(other.m_vpBinSpecs, m_vpBinSpecs);
    m_vUniqueEventNames = other.m_vUniqueEventNames;
}

void ecPar_BinDesc::DeleteAttribSpecs() { ecDeleteOwned(m_vpAttribSpecs); }
void ecPar_BinDesc::DeleteBinSpecs() { ecDeleteOwned(m_vpBinSpecs); }
bool ecPar_BinDesc::IsSpecIndex(int iSpec) const { return ecIsIndex(m_vpAttribSpecs, iSpec); }

// ---------------------------------------------------------------- document

void ecPar_BinDesc::Read(const std::string& file)
{
    ecXml xml;
    xml.Read(file);
    ReadXml(xml, false);
    xml.Free();
}

void ecPar_BinDesc::Write(const std::string& file)
{
    std::ofstream out(file, std::ios::out | std::ios::trunc);
    if (!out.is_open())
        throw ecError("[ecPar_BinDesc::Write] Can't open " + file);
    WriteXml(out);
    out.close();
}

void ecPar_BinDesc::ReadXml(ecXml& xml, bool /*flag*/)
{
    ecXml doc = xml.Sub("bin_desc");
    if (doc.IsEmpty())
        return;
    Clear();
    ecReadOwnedList(doc, m_vpAttribSpecs, "[ecPar_BinDesc::ReadXml] Limit exceeded for attribute specs.");
    ecXml unique = doc.Sub("UniqueEvents");
    ecReadTextList(unique, "UE", m_vUniqueEventNames, "[ecPar_BinDesc::ReadXml] Limit exceeded.");
    xml.Reset();
    // The writer frames the section with a line end after the start tag and a
    // tab before the end tag; dropping that framing here keeps the section
    // unchanged through any number of write/read cycles.
    std::string text = doc.Sub("bin_specs").GetText();
    if (text.compare(0, 2, "\r\n") == 0)
        text.erase(0, 2);
    else if (text.compare(0, 1, "\n") == 0)
        text.erase(0, 1);
    if (!text.empty() && text.back() == '\t')
        text.pop_back();
    m_BinSpecsSection.Free();
    if (!text.empty())
        m_BinSpecsSection.SetText(text);
    // The section itself stays as read; its bins are offered parsed as well.
    ecXml section(m_BinSpecsSection);
    ecReadOwnedList(section, m_vpBinSpecs, "[ecPar_BinDesc::ReadXml] Limit exceeded.");
}

void ecPar_BinDesc::WriteXml(std::ostream& out)
{
    ecXmlWriter xml(out);
    xml.OpenLine(0, m_sDocName);
    for (ecAttribSpec* spec : m_vpAttribSpecs) {
        spec->SetTabDepth(1);
        spec->WriteXml(out);
        xml.Newline();
    }
    if (!m_vUniqueEventNames.empty()) {
        xml.OpenLine(1, "UniqueEvents");
        for (const std::string& name : m_vUniqueEventNames)
            xml.Line(2, "UE", name);
        xml.CloseLine(1, "UniqueEvents");
    }
    if (!m_BinSpecsSection.IsEmpty()) {
        xml.Newline().OpenLine(1, "bin_specs");
        m_BinSpecsSection.Write(out);
        xml.CloseLine(1, "bin_specs");
    }
    xml.CloseLine(0, m_sDocName);
}

void ecPar_BinDesc::Clear()
{
    DeleteAttribSpecs();
    DeleteBinSpecs();
    m_vUniqueEventNames.clear();
}

void ecPar_BinDesc::ClearAllAttribSpecs() { DeleteAttribSpecs(); }

void ecPar_BinDesc::AddOneAttribSpec()
{
    auto spec = std::make_unique<ecAttribSpec>();
    m_vpAttribSpecs.push_back(spec.get());
    spec.release();
}

void ecPar_BinDesc::DeleteOneAttribSpec(int iSpec)
{
    if (!IsSpecIndex(iSpec))
        return;
    delete m_vpAttribSpecs[static_cast<std::size_t>(iSpec)];
    m_vpAttribSpecs.erase(m_vpAttribSpecs.begin() + iSpec);
}

int ecPar_BinDesc::GetNumAttribSpecs() const { return static_cast<int>(m_vpAttribSpecs.size()); }
std::vector<ecAttribSpec*>* ecPar_BinDesc::GetpAttribSpecList() { return &m_vpAttribSpecs; }

ecAttribSpec* ecPar_BinDesc::GetpAttribSpec(int iSpec)
{
    return m_vpAttribSpecs.at(static_cast<std::size_t>(iSpec));
}

std::vector<ecBinSpec*>* ecPar_BinDesc::GetpBinSpecList() { return &m_vpBinSpecs; }
ecXml* ecPar_BinDesc::GetpBinSpecsSection() { return &m_BinSpecsSection; }
std::vector<std::string>* ecPar_BinDesc::GetpUniqueEventNames() { return &m_vUniqueEventNames; }

void ecPar_BinDesc::SetUniqueEvents(ecEventList* events)
{
    if (!events)
        return;
    m_vUniqueEventNames.clear();
    const int count = events->GetUniqueEventNameCnt();
    for (int i = 0; i < count; ++i)
        m_vUniqueEventNames.push_back(events->GetUniqueEventName(i));
}

std::string ecPar_BinDesc::GetUniqueEventName(int i)
{
    return ecIsIndex(m_vUniqueEventNames, i) ? m_vUniqueEventNames[static_cast<std::size_t>(i)] : std::string();
}

std::vector<std::string> ecPar_BinDesc::GetUniqueFactorValueTags()
{
    std::vector<std::string> tags;
    std::unordered_set<std::string> seen;
    for (const ecAttribSpec* spec : m_vpAttribSpecs) {
        const int pairs = spec->GetNumPairs();
        for (int k = 0; k < pairs; ++k) {
            std::string tag = spec->GetOneAttribTag(k);
            if (seen.insert(tag).second)
                tags.push_back(std::move(tag));
        }
    }
    return tags;
}

void ecPar_BinDesc::ConsistencyCheck()
{
    for (ecAttribSpec* spec : m_vpAttribSpecs) {
        spec->ConsistencyCheck();
        spec->GetpEventSpecs()->ConsistencyCheck();
    }
}

void ecPar_BinDesc::ResetRuntimeParameters()
{
    for (ecAttribSpec* spec : m_vpAttribSpecs)
        spec->ResetRuntimeParameters();
}

int ecPar_BinDesc::GetNumConditionalsBeforeAfterT0(int iSpec, int& before, int& after)
{
    if (!IsSpecIndex(iSpec))
        return -1;
    const std::vector<ecConditional*>& conds = *GetpAttribSpec(iSpec)->GetpEventSpecs()->GetpConditionalList();
    before = 0;
    after = 0;
    for (const ecConditional* cond : conds)
        ++(cond->IsBeforeT0() ? before : after);
    return static_cast<int>(conds.size());
}

int ecPar_BinDesc::GetNumPermeables(int iSpec)
{
    if (!IsSpecIndex(iSpec))
        return -1;
    int count = 0;
    for (const ecConditional* cond : *GetpAttribSpec(iSpec)->GetpEventSpecs()->GetpConditionalList())
        count += cond->IsPermeable() ? 1 : 0;
    return count;
}

// ---------------------------------------------------------------- per attribute spec

std::string ecPar_BinDesc::GetOneFactor(int iSpec, int k) { return GetpAttribSpec(iSpec)->GetOneFactor(k); }
std::string ecPar_BinDesc::GetOneValue(int iSpec, int k) { return GetpAttribSpec(iSpec)->GetOneValue(k); }
int ecPar_BinDesc::GetNumTags(int iSpec) { return GetpAttribSpec(iSpec)->GetNumTags(); }
int ecPar_BinDesc::GetNumFactors(int iSpec) { return GetpAttribSpec(iSpec)->GetNumFactors(); }
int ecPar_BinDesc::GetNumTargets(int iSpec) { return GetpAttribSpec(iSpec)->GetpEventSpecs()->GetNumTargets(); }

int ecPar_BinDesc::GetNumConditionals(int iSpec)
{
    return GetpAttribSpec(iSpec)->GetpEventSpecs()->GetNumConditionals();
}

void ecPar_BinDesc::AppendOneFactor(int iSpec, const std::string& factor)
{
    GetpAttribSpec(iSpec)->AppendOneFactor(factor);
}

void ecPar_BinDesc::AppendOneTag(int iSpec, const std::string& value) { GetpAttribSpec(iSpec)->AppendOneTag(value); }

void ecPar_BinDesc::AppendOneFactorValuePair(int iSpec, const std::string& factor, const std::string& value)
{
    GetpAttribSpec(iSpec)->AppendOneFactorValuePair(factor, value);
}

void ecPar_BinDesc::DeleteOneTag(int iSpec, const std::string& value) { GetpAttribSpec(iSpec)->DeleteOneTag(value); }
void ecPar_BinDesc::DeleteOneTag(int iSpec, int k) { GetpAttribSpec(iSpec)->DeleteOneTag(k); }

int ecPar_BinDesc::WhichFactor(int iSpec, const std::string& factor)
{
    return IsSpecIndex(iSpec) ? GetpAttribSpec(iSpec)->WhichFactor(factor) : -1;
}

void ecPar_BinDesc::ReplaceValue(int iSpec, int k, const std::string& value)
{
    if (IsSpecIndex(iSpec))
        GetpAttribSpec(iSpec)->ReplaceValue(k, value);
}

int ecPar_BinDesc::CreateTarget(int iSpec, const std::string& name)
{
    return IsSpecIndex(iSpec) ? GetpAttribSpec(iSpec)->CreateTarget(name) : -1;
}

int ecPar_BinDesc::CreateConditional(int iSpec, const std::string& name)
{
    return IsSpecIndex(iSpec) ? GetpAttribSpec(iSpec)->CreateConditional(name) : -1;
}

void ecPar_BinDesc::AddTargetEvent(const std::string& name, int iSpec, int iTarget)
{
    ecEventSpecs* specs = GetpAttribSpec(iSpec)->GetpEventSpecs();
    // New targets made from here carry the attribute spec's number, counted from 1.
    if (iTarget >= specs->GetNumTargets())
        specs->AppendTarget(std::to_string(iSpec + 1) + ":T" + std::to_string(iTarget));
    specs->AddTargetEvent(name, iTarget);
}

void ecPar_BinDesc::AddConditionalEvent(const std::string& name, int iSpec, int iCond)
{
    GetpAttribSpec(iSpec)->GetpEventSpecs()->AddConditionalEvent(name, iCond);
}

std::string ecPar_BinDesc::GetTargetEvent(int iEvent, int iSpec, int iTarget)
{
    return GetpAttribSpec(iSpec)->GetpEventSpecs()->GetTargetEvent(iEvent, iTarget);
}

std::string ecPar_BinDesc::GetConditionalEvent(int iEvent, int iSpec, int iCond)
{
    return GetpAttribSpec(iSpec)->GetpEventSpecs()->GetConditionalEvent(iEvent, iCond);
}

int ecPar_BinDesc::GetNumEventsInTarget(int iSpec, int iTarget)
{
    return IsSpecIndex(iSpec) ? GetpAttribSpec(iSpec)->GetpEventSpecs()->GetNumEventsInTarget(iTarget) : -1;
}

int ecPar_BinDesc::GetNumEventsInConditional(int iSpec, int iCond)
{
    return IsSpecIndex(iSpec) ? GetpAttribSpec(iSpec)->GetpEventSpecs()->GetNumEventsInConditional(iCond) : -1;
}

std::string ecPar_BinDesc::GetTargetName(int iTarget, int iSpec)
{
    return GetpAttribSpec(iSpec)->GetpEventSpecs()->GetTargetName(iTarget);
}

std::string ecPar_BinDesc::GetConditionalName(int iCond, int iSpec)
{
    return GetpAttribSpec(iSpec)->GetpEventSpecs()->GetConditionalName(iCond);
}

ecTarget* ecPar_BinDesc::GetpTarget(int iSpec, int iTarget)
{
    if (!IsSpecIndex(iSpec))
        return nullptr;
    std::vector<ecTarget*>& targets = *GetpAttribSpec(iSpec)->GetpEventSpecs()->GetpTargetList();
    return ecIsIndex(targets, iTarget) ? targets[static_cast<std::size_t>(iTarget)] : nullptr;
}

ecConditional* ecPar_BinDesc::GetpConditional(int iCond, int iSpec)
{
    if (!IsSpecIndex(iSpec))
        return nullptr;
    std::vector<ecConditional*>& conds = *GetpAttribSpec(iSpec)->GetpEventSpecs()->GetpConditionalList();
    return ecIsIndex(conds, iCond) ? conds[static_cast<std::size_t>(iCond)] : nullptr;
}

void ecPar_BinDesc::SetConditionalProperties(int iCond, int iSpec, ecTimeAnchor pre, ecTimeAnchor post,
                                             unsigned int option)
{
    if (ecConditional* cond = GetpConditional(iCond, iSpec))
        cond->SetProperties(pre, post, option);
}

void ecPar_BinDesc::DeleteOneTarget(int iSpec, int iTarget)
{
    if (IsSpecIndex(iSpec))
        GetpAttribSpec(iSpec)->GetpEventSpecs()->DeleteOneTarget(iTarget);
}

void ecPar_BinDesc::DeleteOneTargetEvent(int iEvent, int iSpec, int iTarget)
{
    if (IsSpecIndex(iSpec))
        GetpAttribSpec(iSpec)->GetpEventSpecs()->DeleteOneTargetEvent(iEvent, iTarget);
}

void ecPar_BinDesc::DeleteOneConditional(int iSpec, int iCond)
{
    if (IsSpecIndex(iSpec))
        GetpAttribSpec(iSpec)->GetpEventSpecs()->DeleteOneConditional(iCond);
}

void ecPar_BinDesc::DeleteOneConditionalEvent(int iEvent, int iSpec, int iCond)
{
    if (IsSpecIndex(iSpec))
        GetpAttribSpec(iSpec)->GetpEventSpecs()->DeleteOneConditionalEvent(iEvent, iCond);
}
