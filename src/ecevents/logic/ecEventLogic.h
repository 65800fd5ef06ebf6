#pragma once
#include <iosfwd>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ecevents/events/ecExclusionIndex.h"
#include "ecevents/logic/ecBinResult.h"
#include "ecutil/ecXml.h"

class ecBinResultList;
class ecEvent;
class ecEventList;
class ecEventRelatedEpoch;

// A small stack machine that runs one sequence of bin operations (a
// <bin_ops> element) over the event list of its parent result list. Reading
// a sequence is running it: each <op> is executed as soon as it is read.
class ecEventLogic {
public:
    ecEventLogic();
    // A machine belongs to one result list: copies start fresh and
    // assignment changes nothing.
    ecEventLogic(const ecEventLogic& other);
    virtual ~ecEventLogic();
    ecEventLogic& operator=(const ecEventLogic& other);

    void SetpParent(ecBinResultList* pParent);
    // Reads and runs the next <bin_ops> sequence; false when there is none.
    bool ReadXml(ecXml& xml);
    void WriteXml(std::ostream& out);

private:
    friend class ecBinResultList;
    // Lets the test suite drive the private stack operations directly.
    friend class ecEventLogicProbe;

    ecBinResult* Push(ecBinResult* p);
    void Pop(int n);
    void PopNamed(std::string id, bool bThrow);
    ecBinResult* GetpResult(int n);
    ecBinResult* GetpResultNamed(std::string id, bool bThrow);
    ecBinResult* GetpTop();
    int GetStackSize();
    void ClearStack();
    void DiagnoseStackRemap();
    ecEventList* GetpEvents();
    int GetNumEvents();
    ecEventRelatedEpoch* GetpParentEpoch(std::string id, bool bThrow);
    ecBinResult* GetpParentResult(std::string id, bool bThrow);
    void SaveResult(ecBinResult* p);
    ecBinResult* GetpGlobalDomain();
    ecBinResult* GetpLocalDomain();
    void PopLocalDomain();
    void ResetNextEvent();
    ecEvent* GetpNextEvent();
    void ApplyExclusionCriteria();
    // What the post-step took out of result (before: its selection then),
    // and what it took out of the operands of a combination (all: &, else |).
    static void NoteExcluded(ecBinResult& result, const std::vector<char>& before);
    static void CombineExcluded(ecBinResult& result, const std::vector<const ecBinResult*>& operands, bool all);
    void AutoSaveBin();
    bool ReadOperator(ecXml& seq);

    void Op0_Attribs(ecXml& xml);
    void Op0_GetBin(ecXml& xml);
    void Op0_Names(ecXml& xml);
    void Op0_SetEpoch(ecXml& xml);
    void Op1_KeepMod(ecXml& xml);
    void Op1_KeepSector(ecXml& xml);
    void Op1_RejectIf(ecXml& xml);
    void Op1_SaveBin(ecXml& xml);
    void Op2_And(ecXml& xml);
    void Op2_AndNot(ecXml& xml);
    void Op2_Or(ecXml& xml);

    // Helpers of the operators.
    void Dispatch();
    void SetResultID(ecBinResult* p, const std::string& id);
    void CheckResultLength(const ecBinResult& r);
    void ResolveWalkDomains();
    // A whole walk of the cursor: visit(i, event) for each event inside the
    // domains, in list order, with m_iNextEvent following along.
    template <class Visit>
    void Walk(Visit&& visit);
    bool CurrentEpochIsListed();
    std::vector<std::string> ReadSList(ecXml& xml);

    std::vector<ecBinResult> m_vResults;
    std::vector<int> m_vStackRemap;
    bool m_bExclude;
    bool m_bAutoSaveBin;
    ecBinResultList* m_pParent;
    std::string m_sOperator;
    ecXml m_xmlOp;
    // Where the current op's id element ends: the repeated s parameters are
    // taken from there on, so those written before id are not seen.
    int m_iOpIdEnd = 0;
    ecEventRelatedEpoch* m_pEpoch;
    int m_iNextEvent;

    // Bookkeeping that keeps the stack checks and the walks cheap. The
    // stack holds indices into m_vResults in increasing order (a push
    // always appends the newest result), so its ends bound every entry.
    std::size_t m_nUnpopped;
    std::set<int> m_setLocalDomains;   // live items named "_LOCAL_DOMAIN_"
    bool m_bWalkResolved;
    const bool* m_pWalkGlobal;
    const bool* m_pWalkLocal;
    // The exclusion intervals and the samples of every event stay valid
    // while one document runs, since the event list cannot change meanwhile.
    ecExclusionIndex m_Exclusion;
    std::vector<std::pair<int, int>> m_vEventSamples;
    bool m_bInDocument;
};
