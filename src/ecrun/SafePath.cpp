#include "ecrun/SafePath.h"

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
