#include "ecinterop/ecFormatError.h"

namespace {

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const std::string& l : lines)
        all += (all.empty() ? "" : "\n") + l;
    return all;
}

} // namespace

ecFormatError::ecFormatError(const std::string& file, const std::string& what)
    : std::runtime_error(Join(file, what)), m_lines{Join(file, what)}
{
}

ecFormatError::ecFormatError(const std::vector<std::string>& lines) : std::runtime_error(Joined(lines)), m_lines(lines) {}

std::string ecFormatError::Join(const std::string& file, const std::string& what)
{
    return file.empty() ? what : file + ": " + what;
}

std::string ecFormatError::Line(const std::string& path, const ecReadDiagnostic& d)
{
    std::string where = path + (d.line > 0 ? ":" + std::to_string(d.line) : std::string()) +
                        (d.line > 0 && d.column > 0 ? ":" + std::to_string(d.column) : std::string());
    std::string what = d.element.empty() ? "" : "<" + d.element + "> ";
    what += "\"" + d.text + "\" " + d.problem;
    return Join(where, what);
}
