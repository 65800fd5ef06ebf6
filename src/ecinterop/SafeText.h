#pragma once
#include <cstddef>
#include <string>

// Names and paths come from files and command lines and may hold any bytes.
// These make them safe to show on a terminal and to put into JSON.
class SafeText {
public:
    // The length of the well-formed UTF-8 sequence that starts at text[i]
    // (1 for ASCII), or 0 when the bytes there are not one: a stray
    // continuation byte, a truncated or overlong sequence, a surrogate or a
    // code point past U+10FFFF.
    static std::size_t Utf8Length(const std::string& text, std::size_t i);

    // The text with every control character (C0, DEL and the C1 range
    // U+0080..U+009F, which some terminals obey as escapes) and every byte
    // that is not part of well-formed UTF-8 written as \xNN, one per byte,
    // so that nothing printed can move the cursor or recolour the terminal.
    static std::string Printable(const std::string& text);
    // The number of characters of a Printable text, for aligning columns.
    static std::size_t Columns(const std::string& printable);

    // A JSON string literal, quotes included: ", \ and the control
    // characters escaped (\n, \r and \t by their short forms, the others and
    // DEL as \u00XX), bytes that are not well-formed UTF-8 replaced by
    // U+FFFD.
    static std::string Json(const std::string& text);
};
