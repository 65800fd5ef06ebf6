#include "ecevents/events/ecEventLoader.h"

#include <functional>
#include <utility>

#include "ecevents/events/ecEventList.h"

ecEventLoader::ecEventLoader(ecEventList& list, bool merge) : m_list(list), m_bMerge(merge && !list.empty())
{
    m_names.insert(list.m_vUniqueEventNames.begin(), list.m_vUniqueEventNames.end());
    if (m_bMerge) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            const ecEvent& e = list[i];
            m_index.emplace(Key{e.m_sName, e.m_iStart, e.m_iStop}, i);
        }
    }
}

void ecEventLoader::Enter(ecEvent&& e)
{
    RegisterName(e.m_sName);
    if (m_bMerge) {
        const auto found = m_index.try_emplace(Key{e.m_sName, e.m_iStart, e.m_iStop}, m_list.size());
        if (!found.second) {
            ecEvent& stored = m_list[found.first->second];
            e.m_nLoadCount = stored.m_nLoadCount + 1;
            stored = std::move(e);
            return;
        }
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

std::size_t ecEventLoader::KeyHash::operator()(const Key& k) const
{
    std::size_t h = std::hash<std::string>()(k.name);
    const unsigned long long samples =
        (static_cast<unsigned long long>(static_cast<unsigned int>(k.start)) << 32) ^ static_cast<unsigned int>(k.stop);
    h ^= std::hash<unsigned long long>()(samples) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
    return h;
}
