#include "ecutil/ecStrings.h"

#include <cctype>

std::string LeftString(const std::string& s, int n)
{
    if (n <= 0)
        return std::string();
    return s.substr(0, static_cast<std::size_t>(n));
}

std::string RightString(const std::string& s, int n)
{
    if (n <= 0)
        return std::string();
    const std::size_t count = static_cast<std::size_t>(n);
    return count >= s.size() ? s : s.substr(s.size() - count);
}

std::string MidString(const std::string& s, int start, int n)
{
    if (start < 0 || n <= 0 || static_cast<std::size_t>(start) >= s.size())
        return std::string();
    return s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(n));
}

void ToUpper(std::string& s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

void SplitFields(std::string& s, std::vector<std::string>& fields, const std::string& delimiters)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = s.find_first_of(delimiters, start);
        if (end == std::string::npos) {
            fields.push_back(s.substr(start));
            return;
        }
        fields.push_back(s.substr(start, end - start));
        start = end + 1;
    }
}
