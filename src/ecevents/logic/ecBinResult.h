#pragma once
#include <string>
#include <vector>

#include "ecevents/epochs/ecEventRelatedEpoch.h"

// One boolean selection over the events of a list: entry i of R1 says whether
// event i belongs to the bin. It carries the bin's name and a copy of the
// epoch under which its events are to be epoched. A value type: the event
// logic and the result list read and write the fields directly.
class ecBinResult {
public:
    ecBinResult();
    ecBinResult(const ecBinResult& other);
    // Moving hands the arrays over without copying them; the source is left
    // a fresh, uninitialised result. Vectors of results rely on it to grow
    // without copying every selection.
    ecBinResult(ecBinResult&& other) noexcept;
    virtual ~ecBinResult();

    ecBinResult& operator=(const ecBinResult& other);
    ecBinResult& operator=(ecBinResult&& other) noexcept;

    void BasicConstruct();
    void Free();
    void Initialize(int nOrder, int nItems, ecEventRelatedEpoch epoch, int nTag);

    int m_nOrder;
    int m_nItems;
    ecEventRelatedEpoch m_Epoch;
    std::string m_sID;
    bool m_bPopped;
    bool m_bHidden;
    bool R0;
    bool* R1;
    bool** R2;
    bool m_bInitialized;
    int m_nTag;
    // The events the exclusion post-step took out of this selection or of
    // the selections it was combined from, that would be in it otherwise;
    // empty when there are none. For reports: no part of the selection.
    std::vector<char> m_vExcluded;
    int Excluded() const;
};
