#pragma once
#include "../support/ec_error_of.h"
#include "../support/event_builders.h"
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ecevents/events/ecEventList.h"
#include "ecevents/foundation/ecError.h"
#include "ecutil/ecXml.h"


// A folder of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() / ("ecevents_" + std::string(info->test_suite_name()) + "_" +
                                                           info->name() + "_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

inline std::string ReadText(const std::string& path)
{
    std::ostringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

inline std::string EventLine(const std::string& name, int start, int stop, unsigned int status,
                             const std::string& extra = "")
{
    return "<Event><Name>" + name + "</Name><Start>" + std::to_string(start) + "</Start><Stop>" +
           std::to_string(stop) + "</Stop><Status>" + std::to_string(status) +
           "</Status><Color>0</Color><Attribute>0</Attribute>" + extra + "</Event>\n";
}

inline std::string Document(const std::string& body) { return "<KOVA_Event_List>\n" + body + "</KOVA_Event_List>\n"; }

inline bool ReadDocument(ecEventList& list, const std::string& text, bool merge = false)
{
    ecXml xml;
    xml.SetText(text);
    return list.ReadXml(xml, merge);
}

