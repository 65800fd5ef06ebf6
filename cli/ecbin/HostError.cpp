#include "ecbin/HostError.h"

namespace {

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace

HostError::HostError(const std::string& message) : std::runtime_error(OneLine(message)) {}

HostError::HostError(const std::string& file, const std::string& what) : std::runtime_error(Format(file, what)) {}

std::string HostError::Format(const std::string& file, const std::string& what)
{
    return OneLine(file.empty() ? what : file + ": " + what);
}
