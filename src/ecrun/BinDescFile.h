#pragma once
#include <string>
#include <vector>

#include "ecevents/specs/ecRtRequest.h"
#include "ecutil/ecReadDiagnostic.h"

class ecEventList;
class ecMatchRecord;
class ecPar_BinDesc;
class ReadNotes;

// A bin description (bin_desc) and the tagging of an event list with it.
class BinDescFile {
public:
    // The document text; throws HostError naming the file when it cannot be
    // read or holds no <bin_desc> element (the library would silently take
    // such a file as an empty description). The description is read once
    // here with diagnostics on: a number that does not fit (or is not
    // finite) is an error, or a warning kept in notes under --lenient.
    static std::string Load(const std::string& path, ReadNotes* notes = nullptr);
    // The same for a text already read; path names it in messages.
    static std::string Checked(std::string text, const std::string& path, ReadNotes* notes = nullptr);

    // Reads the description from text into desc (refusing a text without a
    // <bin_desc> element), recording what the reader
    // read past in found when given. Library errors become a HostError
    // naming path.
    static void Parse(const std::string& text, const std::string& path, ecPar_BinDesc& desc,
                      std::vector<ecReadDiagnostic>* found = nullptr);

    // Reads the description from text and tags the list's accepted events
    // with it, noting the events the conditionals found in record when
    // given. Library errors become a HostError naming both files.
    static void Tag(const std::string& binDescText, const std::string& binDescPath, ecEventList& list,
                    const std::string& eventsPath, ecMatchRecord* record = nullptr);

    // The response times asked for on the command line, each
    // FACTOR:CONDITIONAL (--rt): every attribute spec carrying the factor
    // with a conditional of that name. Throws HostError for a malformed
    // word, or one the description cannot answer.
    static std::vector<ecRtRequest> RtRequests(const std::string& binDescText, const std::string& binDescPath,
                                               const std::vector<std::string>& words);
};
