#include "ecinterop/ecTextTable.h"

#include <cerrno>
#include <charconv>
#include <limits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "ecinterop/ecFormatError.h"

std::vector<std::string> ecTextTable::Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t i = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        i = 3;
    std::string line;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::vector<std::string> ecTextTable::SplitTabs(const std::string& line)
{
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    return cells;
}

std::vector<std::string> ecTextTable::Tokens(const std::string& line)
{
    std::vector<std::string> tokens;
    std::istringstream in(line);
    std::string t;
    while (in >> t)
        tokens.push_back(t);
    return tokens;
}

std::string ecTextTable::Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos)
        return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

bool ecTextTable::ParseNumber(const std::string& text, double& value)
{
    std::string t = Trim(text);
    if (t.empty())
        return false;
    const char* begin = t.c_str();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(begin, &end);
    if (end != begin + t.size() || errno == ERANGE || !std::isfinite(v))
        return false;
    // strtod also takes "inf", "nan" and hexadecimal; a table holds decimals.
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    value = v;
    return true;
}

bool ecTextTable::ParseToken(std::string_view text, double& value)
{
    for (char c : text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars takes no '+'; strtod takes one, but not before a '-'.
    const bool plus = first != last && *first == '+';
    if (plus)
        ++first;
    double v = 0.0;
    const auto r = plus && first != last && *first == '-' ? std::from_chars_result{first, std::errc::invalid_argument}
                                                          : std::from_chars(first, last, v);
    // Normal values read alike either way; zeros, tiny values (strtod may
    // call them out of range) and failures are left to the plain reading.
    if (r.ec == std::errc() && r.ptr == last && std::fabs(v) >= std::numeric_limits<double>::min() && std::isfinite(v)) {
        value = v;
        return true;
    }
    return ParseNumber(std::string(text), value);
}

std::string ecTextTable::Fixed(double value, int decimals)
{
    std::string s;
    AppendFixed(s, value, decimals);
    return s;
}

void ecTextTable::AppendFixed(std::string& out, double value, int decimals)
{
    // Both zeros print as "0" in the end; tables are full of them.
    if (value == 0.0 && decimals >= 0) {
        out += '0';
        return;
    }
    char buffer[64];
    // to_chars writes what printf's "%.*f" writes, many times faster; where
    // that does not fit, printf's cut-off text stays the answer.
    const auto r = decimals >= 0
        ? std::to_chars(buffer, buffer + sizeof buffer - 1, value, std::chars_format::fixed, decimals)
        : std::to_chars_result{buffer, std::errc::invalid_argument};
    std::size_t n = 0;
    if (r.ec == std::errc()) {
        n = static_cast<std::size_t>(r.ptr - buffer);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        n = std::strlen(buffer);
    }
    if (std::memchr(buffer, '.', n)) {
        while (n > 0 && buffer[n - 1] == '0')
            --n;
        if (n > 0 && buffer[n - 1] == '.')
            --n;
    }
    if (n == 2 && buffer[0] == '-' && buffer[1] == '0')
        n = 0, buffer[n++] = '0';
    out.append(buffer, n);
}

std::string ecTextTable::ShortFloat(float value)
{
    char buffer[64];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(buffer, nullptr) == value)
            break;
    }
    return buffer;
}

std::string ecTextTable::ReadFile(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw ecFormatError(path, "is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ecFormatError(path, "cannot open (missing or unreadable)");
    // Straight into the string, in pieces: the size of a pipe is unknown.
    std::string text;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size < (std::uintmax_t(1) << 40))
        text.reserve(static_cast<size_t>(size));
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0)
        text.append(piece, static_cast<size_t>(in.gcount()));
    if (in.bad())
        throw ecFormatError(path, "read error");
    return text;
}
