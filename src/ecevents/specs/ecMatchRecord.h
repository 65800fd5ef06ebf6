#pragma once
#include <string>
#include <utility>
#include <vector>

class ecAttribSpec;
class ecConditional;
class ecEventList;
class ecPar_BinDesc;

// Which event satisfied each conditional, as the matching pass found it.
// Filled by ecEventList::SetBinDescAttributes when given one; without it the
// pass records nothing.
//
// Events are named by their index in the list as the pass left it (sorted by
// start sample), together with their start samples, so that a caller can
// tell whether the list has changed since. A conditional that held without
// finding an event (a negated one, one that seeks no name) has -1.
class ecMatchRecord {
public:
    // One event that a tag rule tagged.
    struct Match {
        int iEvent = -1;            // index of the tagged (target) event
        int iStart = 0;             // its start sample
        std::vector<int> vFound;    // per conditional of the rule, in order: index of the event found, or -1
        std::vector<int> vFoundStart; // start samples of those events (0 where none)
    };

    void Clear();

    int GetNumSpecs() const;
    // The rule's tagged events in list order; an empty list for a rule index
    // out of range.
    const std::vector<Match>& GetMatches(int iSpec) const;
    // Index of the first conditional of the rule with that name; -1 when none.
    int ConditionalIndex(int iSpec, const std::string& name) const;
    // Number of events in the list when the pass ran.
    int GetNumEvents() const;

    // Latency in seconds from each tagged event of the rule to the event its
    // conditional found, per list index; NaN where the rule did not tag the
    // event or the conditional found none. Times are the events' own start
    // samples divided by the list's sampling rate, in double, so a latency is
    // (found sample - target sample) / rate exactly, whatever the single
    // precision times the pass compared with. Throws ecError when the
    // conditional is unknown, the rate is not positive, or the list is not
    // the one the record was taken from.
    std::vector<double> Latencies(const ecEventList& list, int iSpec, const std::string& conditional) const;

    // Called by the matching pass.
    void Begin(ecPar_BinDesc& binDesc, int numEvents);
    void BeginAttempt();
    void NoteFound(const ecConditional* cond, int iEvent, int iStart);
    void Keep(int iSpec, ecAttribSpec* spec, int iEvent, int iStart);

private:
    std::vector<std::vector<std::string>> m_vConditionalNames;
    std::vector<std::vector<Match>> m_vMatches;
    int m_nEvents = 0;
    // What the conditionals of the attempt under way found.
    std::vector<std::pair<const ecConditional*, std::pair<int, int>>> m_vAttempt;
};
