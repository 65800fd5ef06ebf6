#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecevents/epochs/ecEventRelatedEpoch.h"
#include "ecevents/events/ecEventList.h"
#include "ecevents/logic/ecBinResult.h"
#include "ecevents/logic/ecEventLogic.h"

class ecXml;

// A bin-results document and what running it produced: the epochs it
// declares and the bins (saved results) its <bin_ops> sequences made over
// the host's event list. The host walks the bins one by one or writes each
// bin's events to an event file of its own.
class ecBinResultList {
public:
    ecBinResultList();
    // A result list is bound to its own machine: copies start empty and
    // assignment changes nothing.
    ecBinResultList(const ecBinResultList& other);
    virtual ~ecBinResultList();
    ecBinResultList& operator=(const ecBinResultList& other);

    void SetpEvents(ecEventList* pEvents);
    ecEventList* GetpEvents();

    // Reads the epochs, then runs every <bin_ops> sequence; true or throws.
    bool ReadXml(ecXml& xml);
    void WriteXml(std::ostream& out);

    ecEventRelatedEpoch* GetpEpoch(std::string id, bool bThrow);
    // The epoch of the preselected bin; null when no bin is preselected.
    ecEventRelatedEpoch* GetpEpoch();
    // The preselected bin itself; null when no bin is preselected.
    const ecBinResult* GetpPreselected() const;
    ecBinResult* GetpResult(std::string id, bool bThrow);

    void ResetForPreselection();
    // Marks the events of the next bin (status on, all others off) and
    // returns its ID; "" when the bins are exhausted.
    std::string PreselectNextBin();
    // The events PreselectNextBin marked, in list order, every one of them
    // (equal events stay apart), each name listed once and the recording's
    // sampling rate kept: the events of the preselected bin as a list of
    // their own. Throws without an event list.
    ecEventList PreselectedEvents() const;
    // Writes the events of each bin to sBase + "_" + ID + ".evt".
    void WriteResultsAsEvents(std::string sBase);

    std::vector<ecEventRelatedEpoch> m_vEpochs;
    std::vector<ecBinResult> m_vResultList;

private:
    int m_iPreselect;

public:
    ecEventList* m_pEvents;

private:
    ecEventLogic m_Logic;
};
