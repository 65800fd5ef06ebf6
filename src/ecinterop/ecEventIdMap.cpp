#include "ecinterop/ecEventIdMap.h"

#include <charconv>
#include <system_error>
#include <limits>

#include "ecinterop/ecFormatError.h"

bool ecEventIdMap::ParseInt(std::string_view text, int& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size())
        return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9')
            return false;
    // from_chars takes no '+'; a value past 64 bits is out of range too.
    long long v = 0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const char* last = text.data() + text.size();
    const auto r = std::from_chars(first, last, v, 10);
    if (r.ec != std::errc() || r.ptr != last || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

void ecEventIdMap::Add(const std::string& entry)
{
    size_t eq = entry.rfind('=');
    if (eq == std::string::npos || eq == 0)
        throw ecFormatError("--event-id " + entry, "expected NAME=ID");
    std::string name = entry.substr(0, eq);
    int id = 0;
    if (!ParseInt(entry.substr(eq + 1), id))
        throw ecFormatError("--event-id " + entry, "the id is not an integer");
    auto n = m_byName.find(name);
    if (n != m_byName.end() && n->second != id)
        throw ecFormatError("--event-id " + entry, "the name \"" + name + "\" already has id " + std::to_string(n->second));
    auto d = m_byId.find(id);
    if (d != m_byId.end() && d->second != name)
        throw ecFormatError("--event-id " + entry, "id " + std::to_string(id) + " already belongs to \"" + d->second + "\"");
    m_byName[name] = id;
    m_byId[id] = name;
}

void ecEventIdMap::AddAll(const std::vector<std::string>& entries)
{
    for (const std::string& e : entries)
        Add(e);
}

bool ecEventIdMap::Empty() const
{
    return m_byName.empty();
}

bool ecEventIdMap::IdFor(const std::string& name, int& id) const
{
    auto n = m_byName.find(name);
    if (n != m_byName.end()) {
        id = n->second;
        return true;
    }
    return ParseInt(name, id);
}

std::string ecEventIdMap::NameFor(int id) const
{
    auto d = m_byId.find(id);
    return d != m_byId.end() ? d->second : std::to_string(id);
}
