#include "ecevents/events/ecEventLoader.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

#include "ecevents/events/ecEventList.h"

ecEventLoader::ecEventLoader(ecEventList& list, bool merge) : m_list(list), m_bMerge(merge && !list.empty())
{
    m_names.insert(list.m_vUniqueEventNames.begin(), list.m_vUniqueEventNames.end());
    if (m_bMerge) {
        std::size_t slots = 64;
        while (slots < 2 * (list.size() + 1))
            slots *= 2;
        m_slots.assign(slots, {kEmpty, 0});
        // The first of equal stored events is the one a later event replaces.
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::uint64_t hash = Hash(list[i]);
            if (m_slots.size() < 2 * (m_nIndexed + 1))
                Grow();
            if (m_slots[Slot(list[i], hash)].first == kEmpty)
                Index(i, hash);
        }
    }
}

void ecEventLoader::Enter(ecEvent&& e)
{
    RegisterName(e.m_sName);
    if (m_bMerge) {
        const std::uint64_t hash = Hash(e);
        if (m_slots.size() < 2 * (m_nIndexed + 1))
            Grow();
        const std::size_t slot = Slot(e, hash);
        if (m_slots[slot].first != kEmpty) {
            ecEvent& stored = m_list[m_slots[slot].first];
            e.m_nLoadCount = stored.m_nLoadCount + 1;
            stored = std::move(e);
            return;
        }
        if (m_list.size() >= kEmpty)
            throw std::length_error("too many events to merge");
        m_slots[slot] = {static_cast<std::uint32_t>(m_list.size()), static_cast<std::uint32_t>(hash)};
        ++m_nIndexed;
        m_list.SetDirty(true);
    }
    e.m_nLoadCount = 1;
    m_list.push_back(std::move(e));
}

// Same outcome as AddUniqueEventName; consecutive events mostly share their
// name, so the last one is checked before hashing.
void ecEventLoader::RegisterName(const std::string& name)
{
    if (name.empty() || name == m_sLastName)
        return;
    if (m_names.insert(name).second)
        m_list.m_vUniqueEventNames.push_back(name);
    m_sLastName = name;
}

void ecEventLoader::RegisterTags(const std::vector<std::string>& tags)
{
    if (tags.empty())
        return;
    if (!m_bTagsIndexed) {
        m_tags.insert(m_list.m_vUniqueTagNames.begin(), m_list.m_vUniqueTagNames.end());
        m_bTagsIndexed = true;
    }
    for (const std::string& tag : tags) {
        if (m_tags.insert(tag).second)
            m_list.m_vUniqueTagNames.push_back(tag);
    }
}

std::uint64_t ecEventLoader::Hash(const ecEvent& e)
{
    std::uint64_t h = std::hash<std::string>()(e.m_sName);
    const std::uint64_t samples =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(e.m_iStart)) << 32) ^ static_cast<std::uint32_t>(e.m_iStop);
    h ^= samples + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    // Mixed, so that the low bits that pick a slot depend on every input bit.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return h;
}

std::size_t ecEventLoader::Slot(const ecEvent& e, std::uint64_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    const std::uint32_t check = static_cast<std::uint32_t>(hash);
    for (std::size_t s = static_cast<std::size_t>(hash >> 32) & mask;; s = (s + 1) & mask) {
        const auto& slot = m_slots[s];
        if (slot.first == kEmpty)
            return s;
        if (slot.second == check) {
            const ecEvent& stored = m_list[slot.first];
            if (stored.m_iStart == e.m_iStart && stored.m_iStop == e.m_iStop && stored.m_sName == e.m_sName)
                return s;
        }
    }
}

void ecEventLoader::Index(std::size_t position, std::uint64_t hash)
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t s = static_cast<std::size_t>(hash >> 32) & mask;
    while (m_slots[s].first != kEmpty)
        s = (s + 1) & mask;
    m_slots[s] = {static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(hash)};
    ++m_nIndexed;
}

void ecEventLoader::Grow()
{
    // The slot is chosen by the high half of the hash, which the slots do
    // not keep: the stored events give it again.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> old;
    old.swap(m_slots);
    m_slots.assign(std::max<std::size_t>(64, old.size() * 2), {kEmpty, 0});
    m_nIndexed = 0;
    for (const auto& slot : old)
        if (slot.first != kEmpty)
            Index(slot.first, Hash(m_list[slot.first]));
}
