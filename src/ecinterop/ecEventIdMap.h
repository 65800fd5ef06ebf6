#pragma once
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Maps event names to the integer event ids of MNE's event format, given on
// the command line as NAME=ID. Names that are integers need no entry.
class ecEventIdMap {
public:
    // Adds one NAME=ID entry (split at the last "="); throws ecFormatError on a
    // malformed entry, a name given twice or an id given to two names.
    void Add(const std::string& entry);
    void AddAll(const std::vector<std::string>& entries);
    bool Empty() const;

    // The id for a name: the mapped one, else the name itself when it is a
    // decimal integer; false when neither applies.
    bool IdFor(const std::string& name, int& id) const;
    // The name for an id: the mapped one, else the id in decimal.
    std::string NameFor(int id) const;

    // Parses a whole decimal integer (optional sign, no blanks); false when
    // the text is not one or is out of range.
    static bool ParseInt(std::string_view text, int& value);

private:
    std::map<std::string, int> m_byName;
    std::map<int, std::string> m_byId;
};
