#pragma once
// Shared pieces of the fuzz targets. Each target is one source file that
// builds two ways: under libFuzzer, and with a plain replay driver that
// feeds it the inputs kept in tests/data/fuzz-regressions.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>
#include <unistd.h>

#include "ecevents/events/ecEventList.h"
#include "ecutil/ecXml.h"

// A property the target asserts: when it does not hold, the input is a
// finding, so the run stops the way a sanitizer would.
#define FUZZ_CHECK(cond, what)                                                                   \
    do {                                                                                         \
        if (!(cond)) {                                                                           \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, __FILE__, __LINE__);    \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

namespace fuzz {

inline std::string& ScratchDirName()
{
    static std::string name;
    return name;
}

inline void RemoveScratchDir()
{
    std::error_code ignored;
    if (!ScratchDirName().empty())
        std::filesystem::remove_all(ScratchDirName(), ignored);
}

// A folder of this process's own, in memory where the system offers it,
// made once and removed at exit: the readers that take a path get the
// input through a file in it, under one name reused for every input.
inline const std::string& ScratchDir()
{
    std::string& name = ScratchDirName();
    if (name.empty()) {
        std::string base = "/dev/shm";
        if (access(base.c_str(), W_OK) != 0) {
            const char* tmp = std::getenv("TMPDIR");
            base = tmp && *tmp ? tmp : "/tmp";
        }
        std::string pattern = base + "/ecevents-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        name = pattern;
        std::atexit(RemoveScratchDir);
    }
    return name;
}

inline std::string ScratchPath(const std::string& leaf) { return ScratchDir() + "/" + leaf; }

inline void WriteFile(const std::string& path, const std::string& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    out.close();
    FUZZ_CHECK(out.good(), "the scratch file could not be written");
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Removes what a target wrote into the scratch folder, keeping the input file.
inline void ClearScratch(const std::string& keep)
{
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(ScratchDir(), ignored))
        if (entry.path().filename() != keep)
            std::filesystem::remove_all(entry.path(), ignored);
}

// The library writes its documents without escaping: a text holding markup
// or a reference cannot come back as it was, so equality is asserted only
// for texts free of them.
inline bool PlainText(const std::string& s) { return s.find_first_of("<&") == std::string::npos; }

// A document whose markup is all plain start and end tags: no references,
// comments, attributes or stray '<', so that its texts are plain too.
inline bool OnlyPlainTags(const std::string& doc)
{
    if (doc.find('&') != std::string::npos)
        return false;
    for (std::size_t p = doc.find('<'); p != std::string::npos; p = doc.find('<', p)) {
        ++p;
        if (p < doc.size() && doc[p] == '/')
            ++p;
        const std::size_t name = p;
        while (p < doc.size() && (std::isalnum(static_cast<unsigned char>(doc[p])) || doc[p] == '_'))
            ++p;
        if (p == name || p >= doc.size() || doc[p] != '>')
            return false;
    }
    return true;
}

inline bool SameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

inline bool SameEvent(const ecEvent& a, const ecEvent& b)
{
    return a.m_sName == b.m_sName && a.m_nStatus == b.m_nStatus && a.m_iStart == b.m_iStart &&
           a.m_iStop == b.m_iStop && a.m_iCenter == b.m_iCenter && a.m_iAttribute == b.m_iAttribute &&
           a.m_nColor == b.m_nColor && a.m_sNotation == b.m_sNotation && a.m_vTags == b.m_vTags &&
           SameFloat(a.m_fTimeStart, b.m_fTimeStart) && SameFloat(a.m_fTimeStop, b.m_fTimeStop) &&
           SameFloat(a.m_fFreqStart, b.m_fFreqStart) && SameFloat(a.m_fFreqStop, b.m_fFreqStop) &&
           SameFloat(a.m_fFWHMTime, b.m_fFWHMTime) && SameFloat(a.m_fFWHMFreq, b.m_fFWHMFreq) &&
           a.m_nCode == b.m_nCode && a.m_nLoadCount == b.m_nLoadCount;
}

// Everything a reader sets on a list.
inline bool SameList(const ecEventList& a, const ecEventList& b)
{
    if (a.size() != b.size() || a.GetAnnotation() != b.GetAnnotation() || a.IsDirty() != b.IsDirty() ||
        a.GetUniqueEventNameCnt() != b.GetUniqueEventNameCnt() || a.GetUniqueTagNameCnt() != b.GetUniqueTagNameCnt())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!SameEvent(a[i], b[i]))
            return false;
    for (int i = 0; i < a.GetUniqueEventNameCnt(); ++i)
        if (a.GetUniqueEventName(i) != b.GetUniqueEventName(i))
            return false;
    for (int i = 0; i < a.GetUniqueTagNameCnt(); ++i)
        if (a.GetUniqueTagName(i) != b.GetUniqueTagName(i))
            return false;
    return true;
}

inline std::string DocumentText(ecEventList& list)
{
    std::ostringstream out;
    list.WriteXml(out);
    return out.str();
}

// A short recording at 500 samples per second with the names and tags the
// seed documents use, an exclusion and a rejected event among them, so that
// bins and matching have something to select.
inline ecEventList SmallRecording(bool withTags)
{
    static const char* const kNames[] = {"standard", "deviant", "response", "1", "2", "3", "Stim1", "Stim2"};
    static const char* const kTags[] = {"Stim:Standard", "Stim:Deviant", "Resp:Hit", "Prev:Standard", "Type:Hit",
                                        "Type:Miss", "Hand:Left", "Score:Hit", "Seq:AfterDev", "Cond:A", "Cond:B"};
    ecEventList list;
    list.SetSamplingRate(500.0f);
    int sample = 250;
    for (int i = 0; i < 40; ++i) {
        ecEvent e;
        e.m_sName = kNames[(i * 5 + i / 7) % 8];
        e.m_iStart = e.m_iStop = sample;
        e.m_nStatus = i % 13 == 12 ? 1u : 2u;
        if (withTags) {
            e.m_vTags.push_back(kTags[i % 11]);
            if (i % 3 == 0)
                e.m_vTags.push_back(kTags[(i + 4) % 11]);
        }
        list.AppendOneEvent(e);
        sample += 180 + (i * 37) % 200;
        if (i == 20) {
            ecEvent ex;
            ex.m_sName = "EXCLUDE";
            ex.m_iStart = sample - 100;
            ex.m_iStop = sample + 300;
            ex.SetRejectedOn();
            list.AppendOneEvent(ex);
        }
    }
    // Read back from its document, so that the tags are listed as a read
    // lists them.
    ecXml xml;
    xml.SetText(DocumentText(list));
    ecEventList read;
    read.SetSamplingRate(500.0f);
    FUZZ_CHECK(read.ReadXml(xml, false), "the small recording reads back");
    return read;
}

} // namespace fuzz
