#pragma once
#include <string>
#include <utility>
#include <vector>

class ecEventList;

// What a look at an event list tells: counts, the time span, names, the
// excluded time and tags. Samples throughout; the caller turns them into
// seconds at the list's rate.
struct ecEventStats {
    int events = 0;
    int rejected = 0;
    // The first start and the last start or stop; meaningless without events.
    int first = 0;
    int last = 0;
    // Names with their event counts, in the order the list first met them;
    // events without a name are counted apart.
    std::vector<std::pair<std::string, int>> names;
    int unnamed = 0;
    int exclusions = 0;
    // The union of the exclusion events' spans, so that overlapping
    // stretches count once.
    long long excludedSamples = 0;
    // The same in seconds at the list's rate; 0 when the rate is unknown.
    double excludedSeconds = 0.0;
    // Tags with the number of events carrying each, in order of first use.
    std::vector<std::pair<std::string, int>> tags;

    static ecEventStats Of(const ecEventList& list);
};
