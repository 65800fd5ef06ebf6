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

// The bins of a bin_list or bin_results text in words, one per ID asked
// for: what ExplainBins says after the bin's name, and its sentence on
// excluded stretches when the document has one. An ID that ExplainBins does
// not name takes the words of the next sequence it could not name.
std::vector<std::string> ExplainBinsById(const std::string& text, const std::vector<std::string>& ids);

} // namespace ecRules
