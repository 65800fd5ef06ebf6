#pragma once
#include <string>
#include <vector>

#include "ecinterop/ecFormatOptions.h"

class ecEventList;

// BIDS events tables (*_events.tsv): tab-separated, a header row, onset and
// duration in seconds, "n/a" for missing values.
//
// Reading: onset gives the start sample, the nearest one at the list's
// sampling rate (ecNearestSample). Onset is the column every BIDS table must
// have; the optional sample column is used only when no rate is known. The
// duration becomes the stop sample, the last sample the event covers (0 or
// n/a: a point event). The name comes from --name-column, else trial_type,
// else value; a row whose trial_type is n/a takes its value instead, and one
// whose name is still n/a has none. Events come in accepted
// (ecEventFormats::Read then rejects the exclusions). A tags column gives
// each event its attribute tags, separated by ";".
//
// Writing: onset, duration, sample and trial_type, rows in time order, plus
// a tags column when any event carries attribute tags; a tag that could not
// be read back the same (empty, "n/a", holding ";", a tab or a line break)
// is refused. Columns of seconds may follow (response times), one value per
// event; NaN is written as n/a; then columns of text, written as given.
class ecBidsEvents {
public:
    struct SecondsColumn {
        std::string name;
        std::vector<double> values; // per event of the list, in list order
    };
    struct TextColumn {
        std::string name;
        std::vector<std::string> values; // per event, in list order; no tab or line break
    };

    // Fills list (emptied first) from the table; the list's sampling rate
    // must already hold the rate when one is known. Throws ecFormatError with
    // the file and line of the first problem.
    static void Read(const std::string& path, const ecFormatOptions& options, ecEventList& list);
    static void ReadText(const std::string& text, const std::string& path, const ecFormatOptions& options,
                         ecEventList& list);

    static std::string WriteText(const ecEventList& list, const std::string& path,
                                 const std::vector<SecondsColumn>& extra = {},
                                 const std::vector<TextColumn>& text = {});
    static void Write(const ecEventList& list, const std::string& path, const std::vector<SecondsColumn>& extra = {},
                      const std::vector<TextColumn>& text = {});
};
