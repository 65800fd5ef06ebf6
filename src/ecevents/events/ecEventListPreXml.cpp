// The pre-XML event file: a magic token and a header of three integers,
// then records of whitespace-separated numbers, in samples (format 4) or in
// seconds.
#include "ecevents/events/ecEventList.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "ecevents/events/ecEventLoader.h"
#include "ecevents/events/ecFilePtr.h"

namespace {

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

// Records where a pre-XML file stopped being read, when anything but blank
// space follows: the line and text of the record at offset at that could
// not be read.
void NoteStop(std::FILE* f, long at, std::vector<ecReadDiagnostic>& out)
{
    if (at < 0 || std::fseek(f, 0, SEEK_SET) != 0)
        return;
    int line = 1;
    int c = 0;
    for (long pos = 0; pos < at && (c = std::fgetc(f)) != EOF; ++pos)
        line += c == '\n';
    while ((c = std::fgetc(f)) != EOF && std::isspace(c))
        line += c == '\n';
    if (c == EOF)
        return;
    ecReadDiagnostic d;
    d.line = line;
    for (; c != EOF && c != '\n' && c != '\r'; c = std::fgetc(f)) {
        if (d.text.size() == 60) {
            d.text += "...";
            break;
        }
        d.text += static_cast<char>(c);
    }
    while (!d.text.empty() && std::isspace(static_cast<unsigned char>(d.text.back())))
        d.text.pop_back();
    d.problem = "is not a readable event record: reading stopped here, though the file goes on";
    out.push_back(std::move(d));
}

} // namespace

bool ecEventList::ReadEventFilePreXml(const char* file, bool merge)
{
    if (!file)
        return false;
    ecFilePtr f(std::fopen(file, "r"));
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
    ecEventLoader loader(*this, mergeProper);
    int records = 0;
    long recordAt = 0;
    for (;;) {
        if (m_pReadDiagnostics)
            recordAt = std::ftell(f.get());
        ecEvent e;
        e.m_nColor = 0xFFFF;
        const bool read = format == 4 ? ReadSampleRecord(f.get(), e) : ReadTimeRecord(f.get(), m_fSamplingRate, e);
        if (!read)
            break;
        loader.Enter(std::move(e));
        ++records;
    }
    if (m_pReadDiagnostics)
        NoteStop(f.get(), recordAt, *m_pReadDiagnostics);
    f.reset();
    if (mergeProper)
        SetDirty(true);
    return records > 0;
}
