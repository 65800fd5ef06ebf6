#pragma once
#include <string>
#include <vector>

#include "ecutil/ecReadDiagnostic.h"

class ecPar_BinDesc;

// The documents that say which bins to make and how to tag events, as every
// host takes them: a bin list (bin_list), which is compiled into a
// bin-results document, a bin-results document (bin_results) as it is, and a
// bin description (bin_desc). Failures are ecFormatErrors naming path.
class ecBinDocuments {
public:
    enum Kind { BinList, BinResults };

    // The bin-results text for a bins document. The document is read once
    // here with diagnostics on; what the reader read past (numbers that do
    // not fit or are not finite) is appended to found.
    static std::string BinResultsText(const std::string& text, const std::string& path, Kind* kind,
                                      std::vector<ecReadDiagnostic>& found);

    // Compiles a bin_list text into a bin_results text.
    static std::string Compile(const std::string& binListText, const std::string& path,
                               std::vector<ecReadDiagnostic>& found);

    // Reads a bin description; a text without a <bin_desc> element is refused
    // (the library would silently take it as an empty description).
    static void ReadBinDesc(const std::string& text, const std::string& path, ecPar_BinDesc& desc,
                            std::vector<ecReadDiagnostic>* found = nullptr);
    static bool HasElement(const std::string& text, const std::string& tag);

};
