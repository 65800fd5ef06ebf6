#pragma once
#include <string>

// The document that says which bins to make: a bin list (bin_list), which
// the library compiles into a bin-results document, or a bin-results
// document (bin_results) as it is.
class BinsFile {
public:
    enum Kind { BinList, BinResults };

    // The bin-results text for the file; throws HostError naming the file
    // when it is neither document or the library refuses it.
    static std::string Load(const std::string& path, Kind* kind = nullptr);
    static std::string FromText(const std::string& text, const std::string& path, Kind* kind = nullptr);

    // Compiles a bin_list text into a bin_results text.
    static std::string Compile(const std::string& binListText, const std::string& path);

    // The number of epoch elements and bin_ops sequences of a bin_results
    // text.
    static void Count(const std::string& binResultsText, int& epochs, int& sequences);
};
