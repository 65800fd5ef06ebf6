#include "ecbin/HostError.h"

#include "ecbin/SafeText.h"

namespace {

// Messages go to a terminal and into summaries: a name or path inside one
// must neither break the line nor reach the terminal as a control sequence.
std::string OneLine(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '\t'))
        text.pop_back();
    return SafeText::Printable(text);
}

} // namespace

HostError::HostError(const std::string& message) : std::runtime_error(OneLine(message)) {}

HostError::HostError(const std::string& file, const std::string& what) : std::runtime_error(Format(file, what)) {}

std::string HostError::Format(const std::string& file, const std::string& what)
{
    return OneLine(file.empty() ? what : file + ": " + what);
}
