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
    };

    std::string recording;
    bool ok = false;
    std::string error;
    // Problems that did not stop the run (names the recording lacks; under
    // --lenient, what the readers read past), one line each.
    std::vector<std::string> warnings;
    float rate = 0.0f;
    std::vector<Bin> bins;
    std::vector<std::string> written;
};
