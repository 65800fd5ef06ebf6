#pragma once
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A rules file: the epochs, tags and bins of a study in one YAML document,
// in words a researcher uses, and its translation into the bin description
// (bin_desc) and bin list (bin_list) or bin-results (bin_results) documents
// that the events library reads.
namespace ecRules {

// A rules file that cannot be read or compiled: one line, naming the file,
// the line and column (from 1) and the key when they are known.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The far edge of a window that has none ("at any time after"), in seconds;
// windows written by hand stay well below it.
constexpr double kOpenEnd = 1000000.0;

// Line and column of a key or value in the file, from 1; 0 when unknown.
struct Where {
    int line = 0;
    int column = 0;
};

// A test of an event's code word: passes when any bit of has is set (or,
// with lacks, when none is), then sets and clears bits.
struct Flag {
    unsigned int bits = 0;
    bool lacks = false;
    bool setOn = false;
    unsigned int set = 0;
    bool clearOn = false;
    unsigned int clear = 0;
};

// One context condition of a tag: an event of names that must (or, negated,
// must not) follow or precede a reference event.
struct Condition {
    bool followed = true; // false: preceded
    bool negated = false;
    std::vector<std::string> names;
    bool hasWindow = false;
    double from = 0.0; // seconds, inclusive
    double to = 0.0;
    bool immediately = false;
    std::string as;        // the name later conditions refer to; "" none
    std::string reference; // "" is the target, else an earlier condition's as
    std::vector<Flag> flags;
    Where where;   // of the key naming the direction
    std::string path; // key path, for messages
};

struct Tag {
    std::string key;                                        // factor:value
    std::vector<std::pair<std::string, std::string>> pairs; // the key's first
    std::vector<std::string> targets;
    std::vector<Flag> targetFlags;
    std::vector<Condition> conditions; // the tag's own first, then its "and" list
    bool rt = false;
    Where where;
};

struct Epoch {
    std::string id;
    double tmin = -0.2;
    double tmax = 0.8;
    // "pre", "post", "all", "none" or "range" (baselineFrom..baselineTo).
    std::string baseline = "pre";
    double baselineFrom = 0.0;
    double baselineTo = 0.0;
};

struct Bin {
    enum Kind { Names, Tags, Logic };
    std::string name;
    Kind kind = Names;
    std::vector<std::string> names;
    std::vector<std::string> tags;
    std::string left, op, right; // op: "and", "or", "and not", "xor"
    std::string epoch;
    int every = 0; // keep every every-th event, from offset (0 = all)
    int offset = 0;
    bool hasPercent = false;
    double percentFrom = 0.0;
    double percentTo = 100.0;
    bool Thinned() const { return every > 0 || hasPercent; }
};

struct Rules {
    std::string path;
    std::vector<Epoch> epochs;
    std::vector<Tag> tags;
    std::vector<Bin> bins;
    bool exclude = true;
    bool hasNames = false;
    std::vector<std::string> names;
    // Some condition looks back, so compiling needs the recording's names.
    bool NeedsNames() const;
    // True when some bin is thinned: the output is then a bin-results
    // document rather than a bin list.
    bool Thinned() const;
};

// Reads a rules file's text; path is only for messages. Throws Error.
Rules Parse(const std::string& text, const std::string& path);
Rules Load(const std::string& path);

// True when the text looks like a rules file rather than an XML document.
bool LooksLikeRules(const std::string& text);

// Which conditional's found event gives a tag's response time: attribute
// spec spec of the compiled description, the tag's factor and the name of
// the conditional within that spec.
struct ResponseTimeRequest {
    int spec = 0;
    std::string factor;
    std::string conditional;
};

struct Compiled {
    std::string binDesc;
    // A bin_list document, or a bin_results document when binResults.
    std::string bins;
    bool binResults = false;
    std::vector<ResponseTimeRequest> responseTimes;
};

// Compiles for a recording whose distinct event names are names (when null,
// the file's own names: list). A rule that looks back needs them: the
// library's backward walk starts two events back, so looking at the event
// just before the target goes through the event after it, which may bear
// any name of the recording.
Compiled Compile(const Rules& rules, const std::vector<std::string>* names = nullptr);

// The response-time requests of a compiled rules file, per tag with rt.
const std::vector<ResponseTimeRequest>& ResponseTimes(const Compiled& compiled);

// The event names and tags the bins and tags ask for, each once.
void WantedNames(const Rules& rules, std::vector<std::string>& names, std::vector<std::string>& tags);

} // namespace ecRules
