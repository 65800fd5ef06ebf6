#pragma once
#include <string>
#include <utility>
#include <vector>

// What running the bins over one recording produced: one row per bin, or
// the error that stopped it.
struct RecordingResult {
    struct Bin {
        std::string id;
        std::string epoch;
        int events = 0;
        // Smallest start and largest stop sample of the bin's events
        // (meaningless when events is 0).
        int firstSample = 0;
        int lastSample = 0;
        // Per requested response-time factor: the mean and median over the
        // bin's events that have one, in seconds (NaN when none has).
        std::vector<double> rtMean{};
        std::vector<double> rtMedian{};
        // Events the exclusion step took out of the bin.
        int excluded = 0;
        // The bin's epoch, in seconds around each event.
        float tmin = 0.0f;
        float tmax = 0.0f;
    };

    std::string recording;
    // The BIDS entities of the file name (sub, ses, ...), those it has.
    std::vector<std::pair<std::string, std::string>> entities;
    bool ok = false;
    std::string error;
    // Problems that did not stop the run (names the recording lacks; under
    // --lenient, what the readers read past), one line each.
    std::vector<std::string> warnings;
    float rate = 0.0f;
    // The response-time factors asked for, in the order of the bins' values.
    std::vector<std::string> rtFactors;
    std::vector<Bin> bins;
    std::vector<std::string> written;
};
