#include "ecinterop/SafeText.h"

#include <cstdio>

namespace {

bool Continuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

void AppendHex(std::string& out, const char* format, unsigned int value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, format, value);
    out += buffer;
}

} // namespace

std::size_t SafeText::Utf8Length(const std::string& text, std::size_t i)
{
    const std::size_t n = text.size();
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned int low = 0x80, high = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0)
            low = 0xA0; // overlong below U+0800
        else if (c == 0xED)
            high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0)
            low = 0x90; // overlong below U+10000
        else if (c == 0xF4)
            high = 0x8F; // past U+10FFFF
    } else {
        return 0;
    }
    if (i + length > n)
        return 0;
    const unsigned char second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!Continuation(static_cast<unsigned char>(text[i + k])))
            return 0;
    return length;
}

std::string SafeText::Printable(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8Length(text, i);
        // U+0080..U+009F are encoded as C2 80..C2 9F.
        const bool c1 = length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (length == 0 || c < 0x20 || c == 0x7F || c1) {
            const std::size_t bytes = length == 0 ? 1 : length;
            for (std::size_t k = 0; k < bytes; ++k)
                AppendHex(out, "\\x%02x", static_cast<unsigned char>(text[i + k]));
            i += bytes;
            continue;
        }
        out.append(text, i, length);
        i += length;
    }
    return out;
}

std::size_t SafeText::Columns(const std::string& printable)
{
    std::size_t columns = 0;
    for (char c : printable)
        columns += !Continuation(static_cast<unsigned char>(c));
    return columns;
}

std::string SafeText::Json(const std::string& text)
{
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8Length(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        ++i;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                AppendHex(out, "\\u%04x", c);
            else
                out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
