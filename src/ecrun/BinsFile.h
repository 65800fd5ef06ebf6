#pragma once
#include <string>

class ReadNotes;

// The document that says which bins to make: a bin list (bin_list), which
// the library compiles into a bin-results document, or a bin-results
// document (bin_results) as it is.
class BinsFile {
public:
    enum Kind { BinList, BinResults };

    // The bin-results text for the file; throws HostError naming the file
    // when it is neither document or the library refuses it. The document
    // is read once here with diagnostics on: a number that does not fit (or
    // is not finite) is an error, or a warning kept in notes under
    // --lenient.
    static std::string Load(const std::string& path, Kind* kind = nullptr, ReadNotes* notes = nullptr);
    static std::string FromText(const std::string& text, const std::string& path, Kind* kind = nullptr,
                                ReadNotes* notes = nullptr);

    // Compiles a bin_list text into a bin_results text.
    static std::string Compile(const std::string& binListText, const std::string& path, ReadNotes* notes = nullptr);

    // The number of epoch elements and bin_ops sequences of a bin_results
    // text.
    static void Count(const std::string& binResultsText, int& epochs, int& sequences);
};
