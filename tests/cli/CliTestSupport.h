#pragma once
// Helpers for the ecbin tests: a scratch folder per test and a way to run
// the built program and collect what it printed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace clitest {

namespace fs = std::filesystem;

inline std::string DataDir()
{
    return std::string(ECEVENTS_TEST_DATA) + "/cli";
}

inline std::string SampleDir()
{
    return std::string(ECEVENTS_SOURCE_DIR) + "/data/sample";
}

inline std::string Examples()
{
    return DataDir() + "/bids-examples";
}

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

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
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

private:
    std::string m_path;
};

// Quotes a word for the shell.
inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

#ifdef ECBIN_PATH
struct Ran {
    int status = -1;   // exit status; -1 when the program did not exit normally
    bool crashed = false;
    std::string out;
    std::string err;
};

// Runs ecbin with the arguments, standard input closed.
inline Ran Ecbin(const std::vector<std::string>& args, const std::string& cwd = "")
{
    static int counter = 0;
    const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(counter++);
    const std::string outFile = (fs::temp_directory_path() / ("ecbin-out-" + tag)).string();
    const std::string errFile = (fs::temp_directory_path() / ("ecbin-err-" + tag)).string();
    std::string command = cwd.empty() ? "" : "cd " + Quote(cwd) + " && ";
    command += Quote(ECBIN_PATH);
    for (const std::string& a : args)
        command += " " + Quote(a);
    command += " </dev/null >" + Quote(outFile) + " 2>" + Quote(errFile);
    int raw = std::system(command.c_str());
    Ran ran;
    if (raw != -1 && WIFEXITED(raw)) {
        ran.status = WEXITSTATUS(raw);
        // The shell reports a program killed by a signal as 128 + signal.
        ran.crashed = ran.status > 128;
    } else {
        ran.crashed = true;
    }
    ran.out = ReadText(outFile);
    ran.err = ReadText(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return ran;
}
#endif

} // namespace clitest
