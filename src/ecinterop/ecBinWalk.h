#pragma once
#include <functional>
#include <string>

#include "ecevents/logic/ecBinResult.h"

class ecBinResultList;
class ecEventList;

// Running a bin-results document over an event list and visiting its bins
// in the order the library preselects them: what every host does with a
// document, in one place.
class ecBinWalk {
public:
    // The bin being visited: exactly its events have status on. The result
    // list stays valid for the visit only.
    struct Bin {
        const std::string& id;
        const ecBinResult& result;
        const ecBinResultList& results;
    };
    using Visit = std::function<void(const Bin&)>;

    // Throws what the library throws (ecError), reading or walking. The
    // events' statuses are left as the last bin marked them.
    static void Run(const std::string& binResultsText, ecEventList& list, const Visit& visit);
};
