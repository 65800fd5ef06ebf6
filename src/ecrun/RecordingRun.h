#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ecevents/specs/ecRtRequest.h"
#include "ecinterop/ecEventFormats.h"
#include "ecinterop/ecFormatOptions.h"
#include "ecrun/NameCheck.h"
#include "ecrun/RecordingResult.h"

class ecEventList;
class ecOutputGuard;
class ReadNotes;
namespace ecRules {
struct Rules;
}

// Runs the bins over one recording with objects of its own: reads the
// events, tags them when a bin description is given, runs the bin-results
// document, walks the bins and writes one event file per bin, named
// base + "_" + bin ID + ".evt" as the library's WriteResultsAsEvents names
// them; a base ending in .tsv writes BIDS tables base_<bin>.tsv instead
// (base without its .tsv), with an rt_<factor> column per response time
// asked for. Safe to run on several threads at once for different recordings.
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
        // Response times to take from the tagging (needs a bin description).
        std::vector<ecRtRequest> rt;
        // A rules file instead of the two documents: compiled for each
        // recording with its own event names, then run as they are; its
        // tags with rt: true add to the response times asked for.
        std::shared_ptr<const ecRules::Rules> rules;
        // Write the recording's events with a column per bin as a BIDS
        // derivatives table (ecBidsDerivatives) instead of a file per bin.
        bool derivatives = false;
    };

    // The documents of a run as the user named them; "" for those not given.
    struct Documents {
        std::string bins;
        std::string binDesc;
        std::string rules;
        // FACTOR:CONDITIONAL words asking for response times (with binDesc).
        std::vector<std::string> rt{};
    };
    // Reads and checks the documents once for every recording: bins (with
    // an optional bin description) or a rules file. Throws HostError for a
    // missing or contradictory choice or a document that cannot be used;
    // what the readers read past goes to notes.
    // read gives a document's text for its name (by default, the file's).
    using Reader = std::function<std::string(const std::string&)>;
    static Plan Prepare(const Documents& documents, ReadNotes& notes, const Reader& read = nullptr);

    // Never throws: every failure ends up in the result's error, one line
    // naming the file. With an empty outBase nothing is written. rate: where
    // the recording's rate comes from, when the caller has looked it up.
    static RecordingResult Run(const std::string& eventsPath, const std::string& outBase, const Plan& plan,
                               const ecEventFormats::Rate* rate = nullptr);

    // The warning for a recording whose events reach past 2^24 samples, where
    // single-precision times no longer resolve one sample; "" when there is
    // none to give (short recordings, or a list in exact time).
    static std::string SinglePrecisionWarning(const ecEventList& events);

    // The output file of one bin.
    static std::string OutputName(const std::string& outBase, const std::string& binId);
    // Whether the bins of outBase are written as BIDS tables.
    static bool WritesTables(const std::string& outBase);
};
