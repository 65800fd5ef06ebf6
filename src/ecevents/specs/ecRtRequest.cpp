#include "ecevents/specs/ecRtRequest.h"

#include <algorithm>
#include <cmath>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecevents/specs/ecAttribSpec.h"
#include "ecevents/specs/ecEventSpecs.h"
#include "ecevents/specs/ecMatchRecord.h"
#include "ecevents/specs/ecPar_BinDesc.h"

std::vector<ecRtRequest> ecRtRequest::ForFactor(ecPar_BinDesc& binDesc, const std::string& factor,
                                                const std::string& conditional) {
    std::vector<ecRtRequest> requests;
    bool carried = false;
    const std::vector<ecAttribSpec*>& specs = *binDesc.GetpAttribSpecList();
    for (size_t s = 0; s < specs.size(); ++s) {
        ecAttribSpec* spec = specs[s];
        // A factor without a value grants no tag.
        const int k = spec->WhichFactor(factor);
        if (k < 0 || k >= spec->GetNumPairs())
            continue;
        carried = true;
        if (spec->GetpEventSpecs()->NameToConditional(conditional) != nullptr)
            requests.push_back({factor, static_cast<int>(s), conditional});
    }
    if (!carried)
        throw ecError("[ecRtRequest::ForFactor] No attribute spec carries the factor \"" + factor + "\".");
    if (requests.empty())
        throw ecError("[ecRtRequest::ForFactor] No attribute spec with the factor \"" + factor +
                      "\" has a conditional named \"" + conditional + "\".");
    return requests;
}

std::vector<std::string> ecRtRequest::Factors(const std::vector<ecRtRequest>& requests) {
    std::vector<std::string> factors;
    for (const ecRtRequest& r : requests)
        if (std::find(factors.begin(), factors.end(), r.m_sFactor) == factors.end())
            factors.push_back(r.m_sFactor);
    return factors;
}

std::vector<double> ecRtRequest::Column(const std::vector<ecRtRequest>& requests, const std::string& factor,
                                        const ecMatchRecord& record, const ecEventList& list) {
    std::vector<double> column;
    for (const ecRtRequest& r : requests) {
        if (r.m_sFactor != factor)
            continue;
        const std::vector<double> latencies = record.Latencies(list, r.m_iSpec, r.m_sConditional);
        if (column.empty()) {
            column = latencies;
            continue;
        }
        for (size_t i = 0; i < column.size(); ++i)
            if (std::isnan(column[i]))
                column[i] = latencies[i];
    }
    if (column.empty())
        column.assign(list.size(), std::nan(""));
    return column;
}
