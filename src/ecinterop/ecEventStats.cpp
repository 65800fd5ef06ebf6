#include "ecinterop/ecEventStats.h"

#include <algorithm>
#include <unordered_map>

#include "ecevents/events/ecEventList.h"

namespace {

long long UnionLength(std::vector<std::pair<long long, long long>> spans)
{
    std::sort(spans.begin(), spans.end());
    long long total = 0, reach = 0;
    bool open = false;
    for (const auto& s : spans) {
        const long long from = open ? std::max(s.first, reach) : s.first;
        if (s.second > from)
            total += s.second - from;
        reach = open ? std::max(reach, s.second) : s.second;
        open = true;
    }
    return total;
}

} // namespace

ecEventStats ecEventStats::Of(const ecEventList& list)
{
    ecEventStats stats;
    stats.events = static_cast<int>(list.size());
    stats.rejected = stats.events - list.GetEventCnt(true);
    std::vector<std::pair<long long, long long>> spans;
    std::unordered_map<std::string, std::size_t> tagAt;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const ecEvent& e = list[i];
        stats.first = i == 0 ? e.m_iStart : std::min(stats.first, e.m_iStart);
        stats.last = std::max(i == 0 ? e.m_iStop : stats.last, std::max(e.m_iStart, e.m_iStop));
        if (e.ExclusionLevel() >= 0) {
            ++stats.exclusions;
            if (e.m_iStop > e.m_iStart)
                spans.push_back({e.m_iStart, static_cast<long long>(e.m_iStop) + 1});
        }
        for (const std::string& t : e.m_vTags)
            if (tagAt.emplace(t, stats.tags.size()).second)
                stats.tags.push_back({t, list.GetTagCnt(t, false)});
    }
    stats.excludedSamples = UnionLength(std::move(spans));
    const float rate = list.GetSamplingRate();
    if (rate > 0.0f)
        stats.excludedSeconds = static_cast<double>(stats.excludedSamples) / static_cast<double>(rate);
    for (int i = 0; i < list.GetUniqueEventNameCnt(); ++i) {
        const std::string n = list.GetUniqueEventName(i);
        stats.names.push_back({n, list.GetEventCnt(n, false)});
    }
    stats.unnamed = list.GetEventCnt(std::string(), false);
    return stats;
}
