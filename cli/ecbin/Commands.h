#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecinterop/ecFormatOptions.h"

// The subcommands of ecbin, apart from parsing the command line. Each
// returns the exit status: 0 done, 1 something failed (every failure was
// reported as one line on err). Results go to out.
namespace Commands {

struct Run {
    std::vector<std::string> events;
    std::string bins;
    std::string binDesc;
    std::string rules; // a rules file instead of bins and binDesc
    std::string out;
    std::string summary;
    int jobs = 0;
    // Draw a progress bar on err (the caller checks for a terminal).
    bool progress = false;
    // A name or tag of the bins that a recording lacks fails it instead
    // of giving a warning.
    bool strict = false;
    // Response times, each FACTOR:CONDITIONAL (--rt).
    std::vector<std::string> rt;
    // out becomes a BIDS derivatives dataset (dataset folders only).
    bool bidsDerivatives = false;
    ecFormatOptions options;
};
struct Tag {
    std::string events;
    std::string binDesc;
    std::string out;
    bool strict = false;
    std::vector<std::string> rt; // as for Run
    ecFormatOptions options;
};
struct Compile {
    std::string binList;
    std::string out;
    bool lenient = false; // --lenient
    // A rules file: out is then the base of BASE_bindesc.xml and
    // BASE_binlist.xml (or BASE_binresults.xml); the event names come from
    // events when given, else from the file's names: list.
    std::string rules;
    std::string events;
    ecFormatOptions options;
};
struct Explain {
    std::string file;
};
struct Convert {
    std::string in;
    std::string out;
    ecFormatOptions options;
};
struct Info {
    std::string events;
    ecFormatOptions options;
};
struct Segments {
    std::string events;
    double length = 0.0;     // seconds
    int count = 0;           // 0: as many as fit
    double separation = 0.0; // seconds; negative lets pieces overlap
    bool seeded = false;
    int seed = 0;
    double margin = 0.0; // seconds trimmed off both ends of clean stretches
    double start = -1.0; // seconds; negative: the first sample
    double stop = -1.0;  // seconds; negative: the last event's end
    std::string out;
    ecFormatOptions options;
};
struct Demo {
    std::string sample; // "" finds the bundled one
    std::string out;    // "" writes nothing
};

int RunBins(const Run& run, std::ostream& out, std::ostream& err);
int TagEvents(const Tag& tag, std::ostream& out, std::ostream& err);
int CompileBins(const Compile& compile, std::ostream& out, std::ostream& err);
int ExplainFile(const Explain& explain, std::ostream& out, std::ostream& err);
int ConvertEvents(const Convert& convert, std::ostream& out, std::ostream& err);
int ShowInfo(const Info& info, std::ostream& out, std::ostream& err);
int DrawSegments(const Segments& segments, std::ostream& out, std::ostream& err);
int RunDemo(const Demo& demo, std::ostream& out, std::ostream& err);

std::string Version();
} // namespace Commands
