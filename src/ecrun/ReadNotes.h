#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ecutil/ecReadDiagnostic.h"

// What the readers read past without a word, in ecbin's words. By default
// each record is an error: the command stops with one line per record. With
// --lenient they become warnings that the caller prints, and the command
// goes on.
class ReadNotes {
public:
    explicit ReadNotes(bool lenient = false) : m_lenient(lenient) {}

    // Takes the records of reading path: throws a HostError with one line
    // per record, or under --lenient keeps them as warnings.
    void Settle(const std::string& path, const std::vector<ecReadDiagnostic>& found);
    // Prints the kept warnings on err and forgets them.
    void Print(std::ostream& err);
    const std::vector<std::string>& Warnings() const { return m_warnings; }
    bool Lenient() const { return m_lenient; }

    // "path:line:col: <element> "text" problem" (no line when the reader could
    // not tell it).
    static std::string Line(const std::string& path, const ecReadDiagnostic& d);

private:
    bool m_lenient;
    std::vector<std::string> m_warnings;
};
