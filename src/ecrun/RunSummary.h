#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecrun/RecordingResult.h"

// The table of bins that `ecbin run` prints, and the same table as a TSV or
// JSON file. Recordings keep the order in which they were given.
class RunSummary {
public:
    explicit RunSummary(std::vector<RecordingResult> results);

    const std::vector<RecordingResult>& Results() const;
    int Failed() const;

    // Aligned columns: [recording,] bin, epoch, events, first and last
    // sample; a bin without events shows "-" for the samples. Response times
    // asked for add their mean and median per bin (rt_mean, rt_median; with
    // several factors rt_mean_<factor>, rt_median_<factor>), n/a where the
    // bin has none.
    void PrintTable(std::ostream& out, bool withRecording) const;

    // The summary's columns: recording, the BIDS entities some recording
    // has, bin, epoch, n_events, n_excluded, first_sample, last_sample,
    // tmin, tmax, the response times asked for, status.
    std::vector<std::string> Header() const;
    // One row per bin, and one row per failed recording carrying its error
    // in the status column (empty for the others); "n/a" for values that
    // do not apply.
    std::vector<std::vector<std::string>> Rows() const;
    std::string Tsv() const;
    std::string Json() const;
    // TSV, or JSON when the name ends in .json; written durably ("-":
    // standard output).
    void Write(const std::string& path) const;

    static std::string JsonString(const std::string& text);

private:
    // The headers of the response-time columns, and a bin's values in them
    // with the given number of decimals.
    std::vector<std::string> RtHeaders() const;
    std::vector<std::string> EntityKeys() const;
    static std::vector<std::string> RtCells(const RecordingResult::Bin& bin, int decimals, const char* none);

    std::vector<RecordingResult> m_results;
};
