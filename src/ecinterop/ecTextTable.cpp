#include "ecinterop/ecTextTable.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

std::string ecTextTable::Fixed(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string s(buffer);
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0')
            s.pop_back();
        if (!s.empty() && s.back() == '.')
            s.pop_back();
    }
    if (s == "-0")
        s = "0";
    return s;
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
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw ecFormatError(path, "read error");
    return text.str();
}
