#include "ecinterop/ecXmlPlace.h"

#include <vector>

namespace {

struct Named {
    const char* marker;  // what precedes the value in the message
    const char* element; // the element that holds it
};

// The library's messages that end in a value taken from the document.
const Named kNamed[] = {
    {"Unrecognised case = ", "sCase"},
    {"Unrecognized case ", "sCase"},
    {"No epoch found with ID = ", "sEpochName"},
    {"Unrecognized bin operator ", "id"},
    {"No epoch parameters found with ID = ", "s"},
    {"No result item found with ID = ", "s"},
};

// 1-based line and column (in characters) of offset.
std::string LineColumn(const std::string& text, size_t offset)
{
    int line = 1, column = 1;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return std::to_string(line) + ":" + std::to_string(column);
}

} // namespace

std::string ecXmlPlace::Of(const std::string& path, const std::string& text, const std::string& message)
{
    for (const Named& n : kNamed) {
        const size_t at = message.find(n.marker);
        if (at == std::string::npos)
            continue;
        const std::string value = message.substr(at + std::string(n.marker).size());
        const std::string element = std::string("<") + n.element + ">" + value + "</" + n.element + ">";
        const size_t found = text.find(element);
        if (value.empty() || found == std::string::npos)
            return path;
        return path + ":" + LineColumn(text, found + std::string(n.element).size() + 2);
    }
    return path;
}
