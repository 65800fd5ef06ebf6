#pragma once
#include <string>
#include <vector>

#include "ecinterop/ecBidsEvents.h"

class ecEventList;

// Results as a BIDS derivatives dataset: per recording an events table
// <entities>_desc-bins_events.tsv holding every event (as ecBidsEvents
// writes them, tags and response times included) with a true/false column
// bin_<id> per bin, and its JSON sidecar describing each column; at the top
// a dataset_description.json naming this program and fingerprinting the
// documents the bins came from. Every file goes through the safe writer.
class ecBidsDerivatives {
public:
    struct Bin {
        std::string id;
        // The bin's definition in words, for the sidecar.
        std::string description;
        // Per event of the list, in list order: whether it is one of the
        // bin's events.
        std::vector<bool> events;
    };
    // A document the bins came from (rules file, bin list, bin description):
    // its name as shown and its bytes.
    struct Document {
        std::string name;
        std::string text;
    };

    // The table of a recording: outBase is its folder in the derivatives
    // dataset joined with its entities (the events file's name without
    // "_events.tsv"), as a batch run mirrors it.
    static std::string TableName(const std::string& outBase);
    // The sidecar of a table: .tsv replaced by .json.
    static std::string SidecarName(const std::string& table);
    static std::string ColumnName(const std::string& binId);

    // Writes table and its sidecar. list: the recording's events after
    // tagging; rt: rt_<factor> columns, one value per event. A bin id given
    // twice keeps its last entry, as a later bin file replaces an earlier
    // one of the same name. Throws ecFormatError or ecWriteError.
    static void WriteEvents(const ecEventList& list, const std::vector<Bin>& bins,
                            const std::vector<ecBidsEvents::SecondsColumn>& rt, const std::string& table);

    // dataset_description.json in folder.
    static std::string DescriptionName(const std::string& folder);
    static std::string DescriptionText(const std::vector<Document>& documents);
    static void WriteDescription(const std::string& folder, const std::vector<Document>& documents);

    // The version written as the generating program's.
    static std::string Version();
};
