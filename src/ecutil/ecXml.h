#pragma once
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ecutil/ecReadDiagnostic.h"

// A small XML reader and writer for the documents of the events library.
//
// An ecXml holds the text of one element (or of a whole document) and search
// positions into it. Each tag name keeps a search position of its own, so a
// reader may take its children in any order: repeated Sub(tag) or
// CharacterDataNext(tag) calls yield successive elements of that tag, while
// CharacterData(tag) and the typed getters look at the first element.
//
// Tags are matched by their whole name at any depth, in text order; nested
// elements of the same name pair up with their own end tags. Comments, CDATA
// sections, processing instructions, attributes and empty-element tags are
// understood, and character data decodes the five predefined entities and
// numeric character references. The library writes its text unescaped, so a
// '<' that starts no tag and an '&' that starts no reference stay as they
// are. An element without its end tag counts as absent. Text that is not
// well-formed never makes the reader run past its buffer or loop.
class ecXml {
public:
    ecXml();
    ~ecXml();
    ecXml(const ecXml& other);
    ecXml(ecXml&& other) noexcept;
    ecXml& operator=(const ecXml& other);
    ecXml& operator=(ecXml&& other) noexcept;

    // Loads a whole file as the text (zero bytes included); false, with the
    // text left as it was, when it cannot be read or is too large for a
    // 32-bit length.
    bool Read(const std::string& file);
    // Copies the text; search positions start at 0. A text too large for a
    // 32-bit length leaves the reader empty.
    void SetText(const std::string& text);
    std::string GetText() const;
    // The text without a copy; valid while the reader and its text live.
    std::string_view View() const;

    // The inner content of the next element with this tag at or after the
    // tag's search position, as a reader of its own; empty when there is
    // none (the position then stays where it was). An element without
    // content gives an empty reader too, but the position moves past it.
    ecXml Sub(const std::string& tag);
    // Character data of the first element with this tag; the tag's search
    // position moves past it. "" when absent.
    std::string CharacterData(const std::string& tag);
    // The same in the given text, read up to this reader's length or the
    // text's terminating zero; this reader's positions stay as they are
    // unless the text is its own.
    std::string CharacterData(char* text, const std::string& tag);
    // Character data of the next element with this tag; "" when none is left.
    std::string CharacterDataNext(const std::string& tag);
    bool TagExists(const std::string& tag);
    // First element's content; 0, 0.0f and false when missing or malformed.
    // GetInt reads 64-bit decimals and keeps the low 32 bits, so unsigned
    // words come back as written; GetBool takes 1/0, true/false in any case
    // and any other integer (non-zero is true).
    int GetInt(const std::string& tag);
    // GetInt's value as an unsigned word; differs only in what counts as
    // fitting when diagnostics are on (-2^31 to 2^32-1 instead of the int
    // range).
    unsigned int GetUnsigned(const std::string& tag);
    float GetFloat(const std::string& tag);
    bool GetBool(const std::string& tag);
    // Offsets of the content of the next element with this tag: begin is its
    // first character, end one past its last. The position does not move.
    // false when none.
    bool GetBeginEnd(int& begin, int& end, const std::string& tag);

    // Off by default. When set, the typed getters of this reader and of
    // every reader taken from it (Sub, copies) append a record for each
    // non-empty number text they cannot take as written: not a number, out
    // of the range of the value returned, or (GetFloat) not finite. The
    // values returned stay exactly what they are without it. The line is
    // counted in the text this reader holds when the sink is set; replacing
    // the text (SetText, Read, SetTextPtr, Free) turns the diagnostics off.
    // The vector must outlive every reader that reports to it.
    void SetDiagnostics(std::vector<ecReadDiagnostic>* sink);
    // Whether this reader reports to a sink.
    bool HasDiagnostics() const;

    void Free();
    bool IsEmpty() const;
    void Reset();
    void Write(std::ostream& out);
    void NewCopy(const ecXml& other);

    // Points the reader at text it does not own; the caller keeps it alive.
    void SetTextPtr(char* text);
    // The text, zero-terminated after its length when this object owns it.
    // Owned text is this object's alone once handed out, so writing through
    // the pointer changes no other reader.
    char* GetTextPtr();
    bool IsFullFledged() const;
    void SetFullFledged(bool full);

private:
    // A start tag in the text: '<' at at, name up to nameEnd, after past '>'.
    struct TagAt {
        int at = 0;
        int nameEnd = 0;
        int after = 0;
        bool empty = false;
    };

    struct Reporter;
    // Records a problem with the number text of the element whose content
    // starts at begin.
    void Report(const std::string& tag, int begin, std::string_view text, const char* problem) const;

    // The first element's content as a decimal integer; false when there is
    // none or it is not one. With diagnostics on, reports text that is not
    // a whole number and values outside [low, high] (as tooLarge).
    bool WholeNumber(const std::string& tag, std::int64_t& value, std::int64_t low, std::int64_t high,
                     const char* tooLarge);
    // The first element with this tag: [begin, end) is its content, after
    // the position past it. false when there is none.
    bool First(const std::string& tag, int& begin, int& end, int& after);
    void Forget();

    int Position(const std::string& tag) const;
    void MoveTo(const std::string& tag, int position);
    void Adopt(const char* text, std::size_t length);
    void AdoptKeepingPositions(const char* text, std::size_t length);

    // Owned text lives in a buffer that copies and large Sub results share
    // (nothing ever writes to a shared buffer: GetTextPtr unshares first), so
    // taking the root of a big document costs no copy. The buffer always
    // holds one more byte than its text, for a terminating zero.
    std::shared_ptr<char[]> m_owned;
    int m_iOwnedLength = 0;
    char* m_pText = nullptr;
    int m_iCursor = 0;
    int m_iLength = 0;
    bool m_bFlag1 = false;
    bool m_bFullFledged = false;
    // The search position of each tag that has moved; a handful per reader,
    // so a flat list beats a tree and keeps Sub results cheap to make.
    std::vector<std::pair<std::string, int>> m_cursors;
    // The start tags of a small owned text, built on demand (see First).
    std::vector<TagAt> m_index;
    bool m_bIndexed = false;
    // Diagnostics: null unless turned on; m_iOrigin is where this reader's
    // text starts in the text the reporter counts lines in.
    std::shared_ptr<Reporter> m_reporter;
    int m_iOrigin = 0;
};
