#pragma once
#include <string>

#include "ecinterop/ecEventIdMap.h"

// How event files are read and written: what a host's options say (the
// option names are those of ecbin, which the messages refer to).
struct ecFormatOptions {
    // Samples per second from --rate; 0 when not given (then the sidecar or
    // the file decides).
    float rate = 0.0f;
    // BIDS column that holds the event names (--name-column); "" picks
    // trial_type, then value.
    std::string nameColumn;
    // NAME=ID pairs for MNE event ids (--event-id).
    ecEventIdMap ids;
    // Forced formats (--from, --to); "" decides by the file name.
    std::string inputFormat;
    std::string outputFormat;
    // --lenient: what the readers read past is a warning, not an error.
    bool lenient = false;
    // --exact-time: the list read is switched to exact time (whole-sample
    // windows, epochs and stimulus delay); false leaves its mode as it was.
    bool exactTime = false;
};
