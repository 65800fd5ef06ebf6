#pragma once
#include <string>
#include <vector>

class ecEventList;

// The event names and tags that a bin list or a bin description asks for,
// and the check that a recording has them: a misspelt name would otherwise
// make an empty bin without a word.
class NameCheck {
public:
    struct Wanted {
        // What asked, as shown in messages: "bin list x.xml".
        std::string source;
        // In order of first mention, each once.
        std::vector<std::string> names;
        std::vector<std::string> tags;
    };

    // The names and factor:value tags of a bin list's bins; nothing for a
    // bin-results document or a text the library cannot read as a bin list.
    static Wanted FromBins(const std::string& text, const std::string& path);
    // The event names of a bin description's targets and conditionals.
    static Wanted FromBinDesc(const std::string& text, const std::string& path);

    // One message for the names, one for the tags, that no event of the
    // list carries (tags as the events hold them now, so after tagging).
    // Each names what is missing and what the recording has instead.
    static std::vector<std::string> Missing(const ecEventList& list, const Wanted& wanted);
};
