#pragma once
#include <string>
#include <vector>

#include "ecevents/specs/ecRtRequest.h"
#include "ecinterop/ecBidsEvents.h"

class ecEventList;
class ecMatchRecord;

// Response times as the hosts show them: one rt_<factor> column of seconds
// per requested factor, and the mean and median of a set of them.
class ecResponseTimes {
public:
    // One column per factor of the requests, in order of first appearance,
    // from the record of the pass that tagged list.
    static std::vector<ecBidsEvents::SecondsColumn> Columns(const std::vector<ecRtRequest>& requests,
                                                            const ecMatchRecord& record, const ecEventList& list);

    // Over the values that are not NaN; NaN when there are none.
    static double Mean(const std::vector<double>& values);
    static double Median(const std::vector<double>& values);
};
