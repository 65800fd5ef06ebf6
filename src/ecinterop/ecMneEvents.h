#pragma once
#include <string>

#include "ecinterop/ecFormatOptions.h"

class ecEventList;

// MNE's text event format (.eve): one event per line, blank-separated
// sample, time in seconds, previous value and event id (lines of three
// numbers, without the time, are read too; "#" starts a comment).
//
// Names: an id maps to its --event-id name, else to its decimal text; when
// writing, a name maps to its --event-id id, else it must be an integer.
// Events are points: a duration is not kept.
class ecMneEvents {
public:
    // Fills list (emptied first). When estimatedRate is given and the file
    // has times, it receives the rate implied by the first and last events
    // (0 when it cannot be told).
    static void Read(const std::string& path, const ecFormatOptions& options, ecEventList& list,
                     double* estimatedRate = nullptr);
    static void ReadText(const std::string& text, const std::string& path, const ecFormatOptions& options,
                         ecEventList& list, double* estimatedRate = nullptr);

    static std::string WriteText(const ecEventList& list, const ecFormatOptions& options, const std::string& path);
    static void Write(const ecEventList& list, const ecFormatOptions& options, const std::string& path);
};
