#include "ecrun/ReadNotes.h"

#include <ostream>

#include "ecrun/HostError.h"
#include "ecinterop/ecFormatError.h"

std::string ReadNotes::Line(const std::string& path, const ecReadDiagnostic& d)
{
    return HostError::Format("", ecFormatError::Line(path, d));
}

void ReadNotes::Settle(const std::string& path, const std::vector<ecReadDiagnostic>& found)
{
    std::vector<std::string> lines;
    for (const ecReadDiagnostic& d : found)
        lines.push_back(Line(path, d));
    if (lines.empty())
        return;
    if (!m_lenient)
        throw HostError::Lines(lines);
    m_warnings.insert(m_warnings.end(), lines.begin(), lines.end());
}

void ReadNotes::Print(std::ostream& err)
{
    for (const std::string& w : m_warnings)
        err << "ecbin: warning: " << w << "\n";
    m_warnings.clear();
}
