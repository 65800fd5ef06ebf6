#pragma once
#include <string>

// Where in a document the value that a library message names stands: the
// library reports a bad case word or an unknown epoch by its value only, and
// the user wants the line to fix.
class ecXmlPlace {
public:
    // "path:line:col" of the element whose text the message names (the
    // first such element of the text), or path alone when the message names
    // none or the text does not hold it.
    static std::string Of(const std::string& path, const std::string& text, const std::string& message);
};
