#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ecevents/events/ecEvent.h"

class ecEventList;

// The one way events enter a list in bulk, whatever file they come from.
// Without merging every event is appended with a load count of 1; with it,
// an event equal in name, start and stop to a stored one replaces the first
// such event with its load count raised, as AppendOneEvent does, but found
// through a hash index instead of a scan. Names (and, when asked, tags) are
// listed among the list's unique names in order of first appearance.
class ecEventLoader {
public:
    ecEventLoader(ecEventList& list, bool merge);

    void Enter(ecEvent&& e);
    // List a name or tags among the list's unique names, for events that
    // are already in place (a whole read moved into an empty list).
    void RegisterName(const std::string& name);
    void RegisterTags(const std::vector<std::string>& tags);

private:

    struct Key {
        std::string name;
        int start;
        int stop;
        bool operator==(const Key& o) const { return start == o.start && stop == o.stop && name == o.name; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const;
    };

    ecEventList& m_list;
    bool m_bMerge;
    bool m_bTagsIndexed = false;
    std::string m_sLastName;
    std::unordered_set<std::string> m_names;
    std::unordered_set<std::string> m_tags;
    std::unordered_map<Key, std::size_t, KeyHash> m_index;
};
