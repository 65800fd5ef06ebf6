#include "ecevents/events/ecEventList.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"

// Takes the events of one read into the list. Without merging proper every
// event is appended; with it, an event equal in name, start and stop to a
// stored one replaces the first such event with its load count raised, as
// AppendOneEvent does, but found through a hash index instead of a scan.
class ecEventList::Loader {
public:
    Loader(ecEventList& list, bool mergeProper) : m_list(list), m_bMerge(mergeProper)
    {
        m_names.insert(list.m_vUniqueEventNames.begin(), list.m_vUniqueEventNames.end());
        if (m_bMerge) {
            for (size_type i = 0; i < list.size(); ++i) {
                const ecEvent& e = list[i];
                m_index.emplace(Key{e.m_sName, e.m_iStart, e.m_iStop}, i);
            }
        }
    }

    void Enter(ecEvent&& e)
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

    void RegisterTags(const std::vector<std::string>& tags)
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

private:
    struct Key {
        std::string name;
        int start;
        int stop;
        bool operator==(const Key& o) const { return start == o.start && stop == o.stop && name == o.name; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& k) const
        {
            std::size_t h = std::hash<std::string>()(k.name);
            h ^= std::hash<long long>()((static_cast<long long>(k.start) << 32) ^
                                        static_cast<unsigned int>(k.stop)) +
                 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
            return h;
        }
    };

    // Same outcome as AddUniqueEventName; consecutive events mostly share
    // their name, so the last one is checked before hashing.
    void RegisterName(const std::string& name)
    {
        if (name.empty() || name == m_sLastName)
            return;
        if (m_names.insert(name).second)
            m_list.m_vUniqueEventNames.push_back(name);
        m_sLastName = name;
    }

    ecEventList& m_list;
    bool m_bMerge;
    bool m_bTagsIndexed = false;
    std::string m_sLastName;
    std::unordered_set<std::string> m_names;
    std::unordered_set<std::string> m_tags;
    std::unordered_map<Key, size_type, KeyHash> m_index;
};

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// One whitespace-separated token of at most 63 characters. A longer token
// counts as unreadable, so the record holding it ends the reading.
bool ReadToken(std::FILE* f, char (&token)[64])
{
    if (std::fscanf(f, "%63s", token) != 1)
        return false;
    const int next = std::fgetc(f);
    if (next == EOF)
        return true;
    return std::isspace(next) != 0;
}

bool ReadLong(std::FILE* f, long long low, long long high, long long& value)
{
    char token[64];
    if (!ReadToken(f, token))
        return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(token, &end, 10);
    if (end == token || *end != '\0' || errno == ERANGE || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ReadInt(std::FILE* f, int& value)
{
    long long parsed = 0;
    if (!ReadLong(f, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), parsed))
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// A status word: decimal, signed or unsigned 32-bit.
bool ReadStatus(std::FILE* f, unsigned int& value)
{
    long long parsed = 0;
    if (!ReadLong(f, std::numeric_limits<int>::min(), std::numeric_limits<unsigned int>::max(), parsed))
        return false;
    value = static_cast<unsigned int>(parsed);
    return true;
}

bool ReadFloat(std::FILE* f, float& value)
{
    char token[64];
    if (!ReadToken(f, token))
        return false;
    char* end = nullptr;
    const float parsed = std::strtof(token, &end);
    if (end == token || *end != '\0')
        return false;
    value = parsed;
    return true;
}

bool ReadSampleRecord(std::FILE* f, ecEvent& e)
{
    char name[64];
    if (!ReadToken(f, name) || !ReadInt(f, e.m_iStart) || !ReadInt(f, e.m_iStop) || !ReadStatus(f, e.m_nStatus))
        return false;
    e.m_sName = name;
    return true;
}

bool ReadTimeRecord(std::FILE* f, float rate, ecEvent& e)
{
    float seconds = 0.0f;
    char name[64];
    if (!ReadFloat(f, seconds) || !ReadToken(f, name))
        return false;
    // Time records truncate: no rounding here. A time beyond the sample
    // range cannot be placed and counts as unreadable.
    const double sample = std::trunc(static_cast<double>(seconds) * static_cast<double>(rate));
    if (!(sample >= static_cast<double>(std::numeric_limits<int>::min()) &&
          sample <= static_cast<double>(std::numeric_limits<int>::max())))
        return false;
    e.m_sName = name;
    e.m_iStart = static_cast<int>(sample);
    e.m_iStop = e.m_iStart;
    e.m_nStatus = 2;
    return true;
}

// The writer puts one line break after <Annotation>; it is not part of the text.
void DropLeadingLineBreak(std::string& text)
{
    if (text.compare(0, 2, "\r\n") == 0)
        text.erase(0, 2);
    else if (!text.empty() && text[0] == '\n')
        text.erase(0, 1);
}

} // namespace

bool ecEventList::ReadEventFile(const char* file, bool merge)
{
    if (ReadEventFilePreXml(file, merge))
        return true;
    return ReadEventFileXml(file, merge);
}

bool ecEventList::ReadEventFilePreXml(const char* file, bool merge)
{
    if (!file)
        return false;
    FilePtr f(std::fopen(file, "r"));
    if (!f)
        return false;
    char magic[64];
    int format = 0;
    int ignored = 0;
    if (!ReadToken(f.get(), magic) || !ReadInt(f.get(), format) || !ReadInt(f.get(), ignored) ||
        !ReadInt(f.get(), ignored) || std::strcmp(magic, "4b4f5641") != 0)
        return false;

    const bool mergeProper = merge && !empty();
    if (!merge)
        ClearForRead();
    Loader loader(*this, mergeProper);
    int records = 0;
    for (;;) {
        ecEvent e;
        e.m_nColor = 0xFFFF;
        const bool read = format == 4 ? ReadSampleRecord(f.get(), e) : ReadTimeRecord(f.get(), m_fSamplingRate, e);
        if (!read)
            break;
        loader.Enter(std::move(e));
        ++records;
    }
    f.reset();
    if (mergeProper)
        SetDirty(true);
    return records > 0;
}

bool ecEventList::ReadEventFileXml(const char* file, bool merge)
{
    if (!file)
        return false;
    ecXml xml;
    if (!xml.Read(file)) {
        xml.Free();
        return false;
    }
    const bool result = ReadXml(xml, merge);
    xml.Free();
    return result;
}

bool ecEventList::ReadXml(ecXml& xml, bool merge)
{
    ecXml root = xml.Sub("KOVA_Event_List");
    if (root.IsEmpty()) {
        root.Free();
        return false;
    }
    const bool mergeProper = merge && !empty();
    if (!merge)
        ClearForRead();

    if (root.TagExists("Annotation")) {
        m_sAnnotation = root.CharacterData("Annotation");
        DropLeadingLineBreak(m_sAnnotation);
    }

    bool delayApplied = false;
    int delay = 0;
    if (root.TagExists("StimulusTimingDelay")) {
        const float seconds = root.GetFloat("StimulusTimingDelay");
        if (seconds != 0.0f) {
            if (m_fSamplingRate == 0.0f)
                throw ecError("[ecEventList::ReadXml] Sampling rate has not been set.");
            delay = SecondsToSample(seconds, m_fSamplingRate);
            m_sAnnotation += "StimulusTimimgDelay: ";
            m_sAnnotation += root.CharacterData("StimulusTimingDelay");
            m_sAnnotation += " s APPLIED;\n";
            delayApplied = true;
        }
    }

    Loader loader(*this, mergeProper);
    int events = 0;
    for (;;) {
        ecEvent e;
        if (!e.ReadXml(root))
            break;
        ++events;
        const int level = e.ExclusionLevelNameOnly();
        if (delayApplied && e.m_iStart == e.m_iStop && level < 0) {
            // Wraps like the 32-bit sum it stands for, without overflowing.
            e.m_iStart = static_cast<int>(static_cast<unsigned int>(e.m_iStart) + static_cast<unsigned int>(delay));
            e.m_iStop = e.m_iStart;
        }
        if (level >= 0)
            e.SetRejectedOn();
        loader.RegisterTags(e.m_vTags);
        loader.Enter(std::move(e));
    }
    root.Free();
    if (events == 0)
        return false;
    if (mergeProper)
        SetDirty(true);
    else
        SetDirty(delayApplied);
    return true;
}

bool ecEventList::MergeEventFile(const char* /*file*/, bool /*flag*/)
{
    if (m_iEventFileMFR < 0 || m_iEventFileMFR > 3)
        return false;
    SetDirty(true);
    return true;
}

bool ecEventList::WriteXml(std::ostream& out)
{
    out << "<KOVA_Event_List>\n";
    if (!m_sAnnotation.empty())
        out << "<Annotation>\n" << m_sAnnotation << "</Annotation>\n";
    ResetEventList();
    while (ecEvent* e = GetNextEvent(false)) {
        e->WriteXml(out);
        out.put('\n');
    }
    out << "</KOVA_Event_List>\n";
    return true;
}

bool ecEventList::Write(const char* file)
{
    if (!file)
        return false;
    SortEventListInTimelyOrder("");
    {
        std::vector<char> buffer(1 << 20);
        std::ofstream out;
        out.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.open(file, std::ios::out | std::ios::trunc | std::ios::binary);
        if (out)
            WriteXml(out);
    }
    SetDirty(false);
    return true;
}
