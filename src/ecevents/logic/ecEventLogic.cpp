#include "ecevents/logic/ecEventLogic.h"

#include <algorithm>
#include <functional>
#include <ostream>

#include "ecevents/events/ecEvent.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/logic/ecBinResultList.h"

namespace {
const char* const kGlobalDomain = "_GLOBAL_DOMAIN_";
const char* const kLocalDomain = "_LOCAL_DOMAIN_";
const char* const kStackOverflow = "Please verify stack logic: Stack overflow";
const char* const kNoStackItem = "Please verify stack logic: No stack item found with ID = ";
} // namespace

ecEventLogic::ecEventLogic()
    : m_bExclude(true)
    , m_bAutoSaveBin(false)
    , m_pParent(nullptr)
    , m_pEpoch(nullptr)
    , m_iNextEvent(-1)
    , m_nUnpopped(0)
    , m_bWalkResolved(false)
    , m_pWalkGlobal(nullptr)
    , m_pWalkLocal(nullptr)
    , m_bInDocument(false)
{
}

ecEventLogic::ecEventLogic(const ecEventLogic&)
    : ecEventLogic()
{
}

ecEventLogic::~ecEventLogic()
{
    ClearStack();
    m_xmlOp.Free();
}

ecEventLogic& ecEventLogic::operator=(const ecEventLogic&)
{
    return *this;
}

void ecEventLogic::SetpParent(ecBinResultList* pParent)
{
    m_pParent = pParent;
}

bool ecEventLogic::ReadXml(ecXml& xml)
{
    ClearStack();
    if (!m_bInDocument)
        m_Exclusion.Clear();
    // An empty <bin_ops></bin_ops> is a valid empty sequence, although the
    // reader hands out an empty sub-reader for it; so presence is tested
    // before the sequence is taken.
    int begin = 0;
    int end = 0;
    if (!xml.GetBeginEnd(begin, end, "bin_ops"))
        return false;
    ecXml seq = xml.Sub("bin_ops");
    if (seq.IsEmpty())
        return true;
    while (ReadOperator(seq))
        Dispatch();
    return true;
}

void ecEventLogic::Dispatch()
{
    const std::string& op = m_sOperator;
    if (op == "AutoSaveBinOn")
        m_bAutoSaveBin = true;
    else if (op == "AutoSaveBinOff")
        m_bAutoSaveBin = false;
    else if (op == "SetExcludeOn")
        m_bExclude = true;
    else if (op == "SetExcludeOff")
        m_bExclude = false;
    else if (op == "Attribs") {
        Op0_Attribs(m_xmlOp);
        ApplyExclusionCriteria();
        AutoSaveBin();
    } else if (op == "GetBin")
        Op0_GetBin(m_xmlOp);
    else if (op == "Names") {
        Op0_Names(m_xmlOp);
        ApplyExclusionCriteria();
    } else if (op == "SetEpoch")
        Op0_SetEpoch(m_xmlOp);
    else if (op == "KeepMod")
        Op1_KeepMod(m_xmlOp);
    else if (op == "KeepSector")
        Op1_KeepSector(m_xmlOp);
    else if (op == "RejectIf")
        Op1_RejectIf(m_xmlOp);
    else if (op == "SaveBin")
        Op1_SaveBin(m_xmlOp);
    else if (op == "&" || op == "And")
        Op2_And(m_xmlOp);
    else if (op == "&~" || op == "AndNot")
        Op2_AndNot(m_xmlOp);
    else if (op == "|" || op == "Or")
        Op2_Or(m_xmlOp);
    else
        throw ecError("[ecEventLogic::ReadXml] Unrecognized bin operator " + op);
}

void ecEventLogic::WriteXml(std::ostream& out)
{
    out << "<stack_operations>" << std::endl;
    out << "</stack_operations>" << std::endl;
}

bool ecEventLogic::ReadOperator(ecXml& seq)
{
    m_xmlOp = seq.Sub("op");
    if (m_xmlOp.IsEmpty())
        return false;
    if (!m_xmlOp.TagExists("id"))
        throw ecError("[ecEventLogic::ReadOperator] Missing <id> tag for operator");
    int begin = 0;
    m_iOpIdEnd = m_xmlOp.GetBeginEnd(begin, m_iOpIdEnd, "id") ? m_iOpIdEnd : 0;
    m_sOperator = m_xmlOp.CharacterData("id");
    return true;
}

// ---------------------------------------------------------------- the stack

ecBinResult* ecEventLogic::Push(ecBinResult* p)
{
    DiagnoseStackRemap();
    m_bWalkResolved = false;
    if (p) {
        // Copied before appending: p may point into m_vResults, which the
        // append can move.
        ecBinResult copy(*p);
        m_vResults.push_back(std::move(copy));
        const int index = static_cast<int>(m_vResults.size()) - 1;
        m_vStackRemap.push_back(index);
        ecBinResult& added = m_vResults.back();
        if (!added.m_bPopped)
            ++m_nUnpopped;
        if (added.m_sID == kLocalDomain)
            m_setLocalDomains.insert(index);
        DiagnoseStackRemap();
        return &added;
    }
    m_vResults.emplace_back();
    const int index = static_cast<int>(m_vResults.size()) - 1;
    m_vStackRemap.push_back(index);
    ++m_nUnpopped;
    if (m_pEpoch && !CurrentEpochIsListed())
        m_pEpoch = nullptr;
    if (!m_pEpoch)
        m_pEpoch = GetpParentEpoch("", true);
    m_vResults[static_cast<std::size_t>(index)].Initialize(1, GetNumEvents(), *m_pEpoch, 1);
    DiagnoseStackRemap();
    return &m_vResults[static_cast<std::size_t>(index)];
}

bool ecEventLogic::CurrentEpochIsListed()
{
    // The current epoch points into the parent's epoch list, which the host
    // may have refilled since; a pointer outside it is never dereferenced.
    if (!m_pParent || m_pParent->m_vEpochs.empty())
        return false;
    const ecEventRelatedEpoch* first = m_pParent->m_vEpochs.data();
    const ecEventRelatedEpoch* last = first + m_pParent->m_vEpochs.size();
    std::less<const ecEventRelatedEpoch*> before;
    return !before(m_pEpoch, first) && before(m_pEpoch, last);
}

void ecEventLogic::Pop(int n)
{
    DiagnoseStackRemap();
    if (n < 1 || n > GetStackSize())
        throw ecError(std::string("[ecEventLogic::Pop] ") + kStackOverflow);
    m_bWalkResolved = false;
    const std::size_t position = m_vStackRemap.size() - static_cast<std::size_t>(n);
    const int index = m_vStackRemap[position];
    ecBinResult& r = m_vResults[static_cast<std::size_t>(index)];
    if (!r.m_bPopped) {
        r.m_bPopped = true;
        --m_nUnpopped;
    }
    m_vStackRemap.erase(m_vStackRemap.begin() + static_cast<std::ptrdiff_t>(position));
    m_setLocalDomains.erase(index);
    DiagnoseStackRemap();
}

void ecEventLogic::PopNamed(std::string id, bool bThrow)
{
    DiagnoseStackRemap();
    for (int depth = 1; depth <= GetStackSize(); ++depth) {
        const int index = m_vStackRemap[m_vStackRemap.size() - static_cast<std::size_t>(depth)];
        if (m_vResults[static_cast<std::size_t>(index)].m_sID == id) {
            Pop(depth);
            return;
        }
    }
    if (bThrow)
        throw ecError("[ecEventLogic::PopNamed] " + std::string(kNoStackItem) + id);
}

ecBinResult* ecEventLogic::GetpResult(int n)
{
    DiagnoseStackRemap();
    if (n < 1 || n > GetStackSize())
        throw ecError(std::string("[ecEventLogic::GetpResult] ") + kStackOverflow);
    const int index = m_vStackRemap[m_vStackRemap.size() - static_cast<std::size_t>(n)];
    return &m_vResults[static_cast<std::size_t>(index)];
}

ecBinResult* ecEventLogic::GetpResultNamed(std::string id, bool bThrow)
{
    DiagnoseStackRemap();
    for (auto it = m_vStackRemap.rbegin(); it != m_vStackRemap.rend(); ++it) {
        ecBinResult& r = m_vResults[static_cast<std::size_t>(*it)];
        if (r.m_sID == id)
            return &r;
    }
    if (bThrow)
        throw ecError("[ecEventLogic::GetpResultNamed] " + std::string(kNoStackItem) + id);
    return nullptr;
}

ecBinResult* ecEventLogic::GetpTop()
{
    return GetpResult(1);
}

int ecEventLogic::GetStackSize()
{
    return static_cast<int>(m_vStackRemap.size());
}

void ecEventLogic::ClearStack()
{
    for (ecBinResult& r : m_vResults)
        r.Free();
    m_vResults.clear();
    m_vStackRemap.clear();
    m_nUnpopped = 0;
    m_setLocalDomains.clear();
    m_bWalkResolved = false;
}

void ecEventLogic::DiagnoseStackRemap()
{
    // Entries are kept in increasing order, so the two ends bound them all.
    if (!m_vStackRemap.empty()
        && (m_vStackRemap.front() < 0 || m_vStackRemap.back() >= static_cast<int>(m_vResults.size())))
        throw ecError("[ecEventLogic::DiagnoseStackRemap] Technical error: Inconsistent stack remapping (#1)");
    if (m_nUnpopped != m_vStackRemap.size())
        throw ecError("[ecEventLogic::DiagnoseStackRemap] Technical error: Inconsistent stack remapping (#2)");
}

void ecEventLogic::SetResultID(ecBinResult* p, const std::string& id)
{
    p->m_sID = id;
    const std::ptrdiff_t offset = p - m_vResults.data();
    if (offset < 0 || offset >= static_cast<std::ptrdiff_t>(m_vResults.size()))
        return;
    const int index = static_cast<int>(offset);
    m_bWalkResolved = false;
    if (id == kLocalDomain && !p->m_bPopped)
        m_setLocalDomains.insert(index);
    else
        m_setLocalDomains.erase(index);
}

// ---------------------------------------------------------------- the parent

ecEventList* ecEventLogic::GetpEvents()
{
    if (!m_pParent)
        throw ecError("[ecEventLogic::GetpEvents] Technical error (m_pParent==NULL)");
    if (!m_pParent->m_pEvents)
        throw ecError("[ecEventLogic::GetpEvents] Technical error (pEvents==NULL)");
    return m_pParent->m_pEvents;
}

int ecEventLogic::GetNumEvents()
{
    return static_cast<int>(GetpEvents()->size());
}

ecEventRelatedEpoch* ecEventLogic::GetpParentEpoch(std::string id, bool bThrow)
{
    if (!m_pParent)
        throw ecError("[ecEventLogic::GetpParentEpoch] Technical error (m_pParent==NULL)");
    return m_pParent->GetpEpoch(id, bThrow);
}

ecBinResult* ecEventLogic::GetpParentResult(std::string id, bool bThrow)
{
    if (!m_pParent)
        throw ecError("[ecEventLogic::GetpParentResult] Technical error (m_pParent==NULL)");
    return m_pParent->GetpResult(id, bThrow);
}

void ecEventLogic::SaveResult(ecBinResult* p)
{
    if (!p)
        throw ecError("[ecEventLogic::SaveResult] Technical error (pResult==NULL)");
    if (!m_pParent)
        throw ecError("[ecEventLogic::SaveResult] Technical error (m_pParent==NULL)");
    m_bWalkResolved = false;
    m_pParent->m_vResultList.push_back(*p);
}

ecBinResult* ecEventLogic::GetpGlobalDomain()
{
    return GetpParentResult(kGlobalDomain, false);
}

ecBinResult* ecEventLogic::GetpLocalDomain()
{
    // The stack runs in increasing index order, so the live local domain
    // nearest the top is the one with the largest index.
    DiagnoseStackRemap();
    if (m_setLocalDomains.empty())
        return nullptr;
    return &m_vResults[static_cast<std::size_t>(*m_setLocalDomains.rbegin())];
}

void ecEventLogic::PopLocalDomain()
{
    PopNamed(kLocalDomain, false);
}

void ecEventLogic::CheckResultLength(const ecBinResult& r)
{
    const int nEvents = GetNumEvents();
    if (r.m_nItems != nEvents)
        throw ecError("[ecEventLogic::CheckResultLength] Please verify formulas: Result item with ID = " + r.m_sID
                      + " has " + std::to_string(r.m_nItems) + " items, but the event list has "
                      + std::to_string(nEvents) + " events");
    if (r.m_nOrder != 1 || !r.R1)
        throw ecError("[ecEventLogic::CheckResultLength] Please verify formulas: Result item with ID = " + r.m_sID
                      + " is not a Boolean vector");
}

// ---------------------------------------------------------------- the cursor

void ecEventLogic::ResetNextEvent()
{
    m_iNextEvent = -1;
    m_bWalkResolved = false;
}

void ecEventLogic::ResolveWalkDomains()
{
    // Nothing that a walk does can change which results are the domains or
    // their entries ahead of the cursor, so they are looked up once.
    m_pWalkGlobal = nullptr;
    m_pWalkLocal = nullptr;
    if (ecBinResult* global = GetpGlobalDomain()) {
        CheckResultLength(*global);
        m_pWalkGlobal = global->R1;
    }
    if (ecBinResult* local = GetpLocalDomain()) {
        CheckResultLength(*local);
        m_pWalkLocal = local->R1;
    }
    m_bWalkResolved = true;
}

ecEvent* ecEventLogic::GetpNextEvent()
{
    ecEventList* events = GetpEvents();
    const int n = static_cast<int>(events->size());
    int i = m_iNextEvent < -1 ? 0 : m_iNextEvent + 1;
    if (i < n && (m_iNextEvent < 0 || !m_bWalkResolved))
        ResolveWalkDomains();
    const bool* global = m_pWalkGlobal;
    const bool* local = m_pWalkLocal;
    for (; i < n; ++i) {
        if ((!global || global[i]) && (!local || local[i])) {
            m_iNextEvent = i;
            return &(*events)[static_cast<std::size_t>(i)];
        }
    }
    m_iNextEvent = n;
    return nullptr;
}

// ---------------------------------------------------------------- post-steps

void ecEventLogic::ApplyExclusionCriteria()
{
    if (!m_bExclude)
        return;
    ecBinResult* top = GetpResult(1);
    const std::vector<char> before = top->R1 ? std::vector<char>(top->R1, top->R1 + top->m_nItems) : std::vector<char>();
    ecXml none;
    Op1_RejectIf(none);
    NoteExcluded(*top, before);
}

void ecEventLogic::NoteExcluded(ecBinResult& result, const std::vector<char>& before)
{
    const std::size_t n = before.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (!before[i] || result.R1[i])
            continue;
        if (result.m_vExcluded.size() != n)
            result.m_vExcluded.assign(n, 0);
        result.m_vExcluded[i] = 1;
    }
}

void ecEventLogic::CombineExcluded(ecBinResult& result, const std::vector<const ecBinResult*>& operands, bool all)
{
    // An event counts when the operands would have put it in the result
    // had the post-step taken nothing out, and it is not in it.
    const bool any = std::any_of(operands.begin(), operands.end(),
                                 [](const ecBinResult* r) { return !r->m_vExcluded.empty(); });
    if (!any)
        return;
    const std::size_t n = static_cast<std::size_t>(result.m_nItems);
    result.m_vExcluded.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (result.R1[i])
            continue;
        bool in = all;
        for (const ecBinResult* r : operands) {
            const bool would = r->R1[i] || (!r->m_vExcluded.empty() && r->m_vExcluded[i]);
            in = all ? in && would : in || would;
        }
        result.m_vExcluded[i] = in ? 1 : 0;
    }
}

void ecEventLogic::AutoSaveBin()
{
    if (!m_bAutoSaveBin)
        return;
    ecBinResult* top = GetpResult(1);
    if (!top->m_sID.empty())
        SaveResult(top);
}
