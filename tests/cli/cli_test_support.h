#pragma once
// Helpers for the ecbin tests: a scratch folder per test, the bundled sample,
// and a way to run the built program and collect what it printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../support/test_files.h"
#include "ecevents/events/ecEventList.h"
#include "ecrun/HostError.h"

#include <sys/wait.h>
#include <unistd.h>

namespace clitest {

using namespace testfiles;

inline std::string SampleDir()
{
    return std::string(ECEVENTS_SOURCE_DIR) + "/data/sample";
}

inline std::string Examples()
{
    return std::string(ECEVENTS_TEST_DATA) + "/cli/bids-examples";
}

// A rules file or bin document of the test data, by name.
inline std::string RulesData(const std::string& name)
{
    return std::string(ECEVENTS_TEST_DATA) + "/ecrules/" + name;
}

// A file of the bundled sample, by name ("/oddball_binlist.xml").
inline std::string Sample(const std::string& name)
{
    return SampleDir() + name;
}

const std::string kSampleEvents = "/sub-01_task-oddball_events.evt";



// An event list document, read with the library and sorted by time.
inline ecEventList ReadDocument(const std::string& path)
{
    ecEventList list;
    EXPECT_TRUE(list.ReadEventFile(path.c_str(), false)) << path;
    list.SortEventListInTimelyOrder("");
    return list;
}


// The message f's failure gives the user, or "" when it throws none.
inline std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (...) {
        return HostError::FromCurrent().what();
    }
    return "";
}


inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    return lines;
}

inline std::vector<std::string> Split(const std::string& line, char separator)
{
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, separator);)
        cells.push_back(cell);
    return cells;
}

// A bin-results document that saves the events named name as bin.
inline std::string BinResults(const std::string& name, const std::string& bin)
{
    return "<bin_results>\n"
           "\t\t<epoch><sID>Stim</sID><fStart>-0.1</fStart><fStop>0.4</fStop></epoch>\n"
           "\t\t<bin_ops>\n\t\t\t<op><id>SetExcludeOff</id></op>\n\t\t</bin_ops>\n"
           "\t\t<bin_ops>\n\t\t\t<op><id>SetEpoch</id><s>Stim</s></op>\n"
           "\t\t\t<op><id>Names</id><s>" + name + "</s></op>\n"
           "\t\t\t<op><id>SaveBin</id><s>" + bin + "</s></op>\n\t\t</bin_ops>\n</bin_results>\n";
}

// Quotes a word for the shell.
inline std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct Ran {
    int status = -1; // exit status; -1 when the program did not exit normally
    bool crashed = false;
    std::string out;
    std::string err;
};

// Runs a program (the first word) with the arguments, standard input closed;
// shellPrefix comes before it in the shell's command ("ulimit -f 64; exec ").
inline Ran RunProgram(const std::vector<std::string>& words, const std::string& shellPrefix = "")
{
    static int counter = 0;
    const std::string out =
        (fs::temp_directory_path() / ("ecbin-out-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
            .string();
    std::string command = shellPrefix;
    for (const std::string& w : words)
        command += (command.size() == shellPrefix.size() ? "" : " ") + Quote(w);
    command += " </dev/null >" + Quote(out) + " 2>" + Quote(out + ".err");
    const int raw = std::system(command.c_str());
    Ran ran;
    ran.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    // The shell reports a program killed by a signal as 128 + signal.
    ran.crashed = ran.status == -1 || ran.status > 128;
    ran.out = ReadText(out);
    ran.err = ReadText(out + ".err");
    fs::remove(out);
    fs::remove(out + ".err");
    return ran;
}

inline Ran Ecbin(std::vector<std::string> args, const std::string& shellPrefix = "")
{
    args.insert(args.begin(), ECBIN_PATH);
    return RunProgram(args, shellPrefix);
}

} // namespace clitest
