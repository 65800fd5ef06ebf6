#pragma once
#include <cstddef>
#include <string>
#include <cstdint>
#include <unordered_set>
#include <utility>
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
    // Open addressing over list positions: the key lives in the stored
    // event itself, so indexing a long list copies no names and allocates
    // one array instead of a node per event.
    static std::uint64_t Hash(const ecEvent& e);
    // The slot that holds an event equal in name, start and stop to e, or
    // the empty slot where such an event would go.
    std::size_t Slot(const ecEvent& e, std::uint64_t hash) const;
    void Index(std::size_t position, std::uint64_t hash);
    void Grow();

    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;

    ecEventList& m_list;
    bool m_bMerge;
    bool m_bTagsIndexed = false;
    std::string m_sLastName;
    std::unordered_set<std::string> m_names;
    std::unordered_set<std::string> m_tags;
    // Each slot: a list position (kEmpty when free) and its key's hash.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_slots;
    std::size_t m_nIndexed = 0;
};
