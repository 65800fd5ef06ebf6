#pragma once
#include <string>
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
    };

    std::string recording;
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
