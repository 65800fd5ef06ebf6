#include "ecinterop/ecResponseTimes.h"

#include <algorithm>
#include <cmath>

namespace {

std::vector<double> Present(const std::vector<double>& values)
{
    std::vector<double> present;
    for (double v : values)
        if (!std::isnan(v))
            present.push_back(v);
    return present;
}

} // namespace

std::vector<ecBidsEvents::SecondsColumn> ecResponseTimes::Columns(const std::vector<ecRtRequest>& requests,
                                                                  const ecMatchRecord& record, const ecEventList& list)
{
    std::vector<ecBidsEvents::SecondsColumn> columns;
    for (const std::string& factor : ecRtRequest::Factors(requests))
        columns.push_back({"rt_" + factor, ecRtRequest::Column(requests, factor, record, list)});
    return columns;
}

double ecResponseTimes::Mean(const std::vector<double>& values)
{
    const std::vector<double> present = Present(values);
    if (present.empty())
        return std::nan("");
    double sum = 0.0;
    for (double v : present)
        sum += v;
    return sum / static_cast<double>(present.size());
}

double ecResponseTimes::Median(const std::vector<double>& values)
{
    std::vector<double> present = Present(values);
    if (present.empty())
        return std::nan("");
    const size_t half = present.size() / 2;
    std::nth_element(present.begin(), present.begin() + half, present.end());
    const double upper = present[half];
    if (present.size() % 2 == 1)
        return upper;
    return (*std::max_element(present.begin(), present.begin() + half) + upper) / 2.0;
}
