#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "ecutil/ecReadDiagnostic.h"

// A file that cannot be read or written in its format, worded for the user:
// "file: what is wrong" (the file may name a line, "x.tsv line 3"). Several
// problems found in one read come as one line each.
class ecFormatError : public std::runtime_error {
public:
    ecFormatError(const std::string& file, const std::string& what);
    explicit ecFormatError(const std::vector<std::string>& lines);

    const std::vector<std::string>& Lines() const { return m_lines; }

    // "file: what", or what alone when there is no file.
    static std::string Join(const std::string& file, const std::string& what);
    // A record of what a reader read past: "path:line:col: <element> "text"
    // problem" (no line when the reader could not tell it).
    static std::string Line(const std::string& path, const ecReadDiagnostic& d);

private:
    std::vector<std::string> m_lines;
};
