#pragma once
#include <string>
#include <vector>

namespace ecRules {

// What a rules file, a bin description (bin_desc), a bin list (bin_list) or
// a bin-results document (bin_results) selects, in plain sentences. A rules
// file is explained through the documents it compiles to, so that the
// documents, read back, explain the same: its text is the bin description's
// followed by the bin list's (or bin-results document's). Throws Error for a
// text that is none of them.
std::string Explain(const std::string& text, const std::string& path);

std::string ExplainBinDesc(const std::string& text);
// A bin_list or bin_results text.
std::string ExplainBins(const std::string& text);

// Each bin of a bin_list or bin_results text as ExplainBins tells it: the
// name, and the words after it. A sequence that is not told as a bin is
// named "(sequence)". exclusion, when given, receives the sentence on
// excluded stretches ("" when the document does not say).
struct BinSentence {
    std::string name;
    std::string words;
};
std::vector<BinSentence> ExplainEachBin(const std::string& text, std::string* exclusion = nullptr);

} // namespace ecRules
