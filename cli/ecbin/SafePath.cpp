#include "ecbin/SafePath.h"

#include <filesystem>
#include <system_error>

#include "ecbin/HostError.h"

namespace fs = std::filesystem;

std::string SafePath::BinIdProblem(const std::string& id)
{
    if (id.empty())
        return "the bin ID is empty";
    if (id.find('/') != std::string::npos || id.find('\\') != std::string::npos)
        return "the bin ID \"" + id + "\" holds a path separator";
    if (id.find("..") != std::string::npos)
        return "the bin ID \"" + id + "\" holds \"..\"";
    for (unsigned char c : id)
        if (c < 0x20 || c == 0x7f)
            return "the bin ID \"" + id + "\" holds a control character";
    return "";
}

bool SafePath::SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (!fs::exists(a, ec) || !fs::exists(b, ec))
        return false;
    bool same = fs::equivalent(a, b, ec);
    return !ec && same;
}

void SafePath::RefuseInputAsOutput(const std::string& output, const std::vector<std::string>& inputs)
{
    for (const std::string& input : inputs)
        if (!input.empty() && SameFile(output, input))
            throw HostError(output, "refusing to overwrite an input file");
}
