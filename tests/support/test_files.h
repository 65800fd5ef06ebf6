#pragma once
// What tests that touch files share: a scratch folder per test, whole-file
// reads and writes, and a readable "contains".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <unistd.h>

namespace testfiles {

namespace fs = std::filesystem;

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteText(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// Whether text holds part; a failure shows the whole text.
inline ::testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << part << "\" not in:\n" << text;
}

// A fresh folder, removed at the end of the test.
class Scratch {
public:
    Scratch()
    {
        static int counter = 0;
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = (fs::temp_directory_path() /
                  ("ecbin-" + std::string(info ? info->name() : "t") + "-" + std::to_string(::getpid()) + "-" +
                   std::to_string(counter++)))
                     .string();
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }
    // Writes each (relative name, text) pair.
    void Write(const std::vector<std::pair<std::string, std::string>>& files) const
    {
        for (const auto& f : files)
            WriteText(*this / f.first, f.second);
    }

private:
    std::string m_path;
};

// The names in a folder, sorted: what a write left behind.
inline std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testfiles
