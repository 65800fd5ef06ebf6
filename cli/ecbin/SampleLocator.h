#pragma once
#include <string>
#include <vector>

// Finds the bundled sample: beside the installed program
// (<prefix>/share/ecevents/sample), else in the source tree the program was
// built from.
class SampleLocator {
public:
    static const char* EventsFile();
    static const char* BinDescFile();
    static const char* BinListFile();
    static const char* RulesFile();

    // The folders tried, in order.
    static std::vector<std::string> Candidates();
    // The first candidate that holds the sample's files; throws HostError
    // listing the folders tried when none does.
    static std::string Find();
};
