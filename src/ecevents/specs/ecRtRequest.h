#pragma once
#include <string>
#include <vector>

class ecEventList;
class ecMatchRecord;
class ecPar_BinDesc;

// A response time asked for: the events that attribute spec m_iSpec tags get
// the latency to the event its conditional m_sConditional found, reported
// under the factor m_sFactor. Several requests may share a factor (one spec
// per value of it); each event then takes its latency from the first of them,
// in request order, that gives it one.
class ecRtRequest {
public:
    std::string m_sFactor;
    int m_iSpec = -1;
    std::string m_sConditional;

    // One request per attribute spec that carries the factor and has a
    // conditional of that name, in spec order. Throws ecError naming the
    // factor when no spec qualifies.
    static std::vector<ecRtRequest> ForFactor(ecPar_BinDesc& binDesc, const std::string& factor,
                                              const std::string& conditional);

    // The factors of the requests, each once, in order of first appearance.
    static std::vector<std::string> Factors(const std::vector<ecRtRequest>& requests);

    // Latencies in seconds per event of the list for one factor (NaN where
    // none), from a record of the pass over that list (ecMatchRecord::Latencies).
    static std::vector<double> Column(const std::vector<ecRtRequest>& requests, const std::string& factor,
                                      const ecMatchRecord& record, const ecEventList& list);
};
