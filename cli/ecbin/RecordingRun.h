#pragma once
#include <string>
#include <vector>

#include "ecinterop/ecEventFormats.h"
#include "ecinterop/ecFormatOptions.h"
#include "ecbin/NameCheck.h"
#include "ecbin/RecordingResult.h"

class ecOutputGuard;

// Runs the bins over one recording with objects of its own: reads the
// events, tags them when a bin description is given, runs the bin-results
// document, walks the bins and writes one event file per bin, named
// base + "_" + bin ID + ".evt" as the library's WriteResultsAsEvents names
// them. Safe to run on several threads at once for different recordings.
class RecordingRun {
public:
    struct Plan {
        std::string binResultsText;
        std::string binsPath;
        std::string binDescText; // "" when there is no bin description
        std::string binDescPath;
        ecFormatOptions events;
        // The run's inputs and outputs so far; every output is claimed
        // there before anything is written. May be null.
        ecOutputGuard* guard = nullptr;
        // Names and tags the bins ask for; a recording lacking some gets a
        // warning, or fails when strict.
        std::vector<NameCheck::Wanted> wanted;
        bool strict = false;
    };

    // Never throws: every failure ends up in the result's error, one line
    // naming the file. With an empty outBase nothing is written. rate: where
    // the recording's rate comes from, when the caller has looked it up.
    static RecordingResult Run(const std::string& eventsPath, const std::string& outBase, const Plan& plan,
                               const ecEventFormats::Rate* rate = nullptr);

    // The output file of one bin.
    static std::string OutputName(const std::string& outBase, const std::string& binId);
};
