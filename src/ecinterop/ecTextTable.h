#pragma once
#include <string>
#include <string_view>
#include <vector>

// Splitting of text files into lines and tab-separated cells, and the
// number formatting the writers share.
class ecTextTable {
public:
    // Lines of a text, without a UTF-8 byte-order mark, with "\r\n" and "\r"
    // line ends understood; a final line end does not make an empty line.
    static std::vector<std::string> Lines(const std::string& text);
    static std::vector<std::string> SplitTabs(const std::string& line);
    // Blank-separated tokens.
    static std::vector<std::string> Tokens(const std::string& line);
    static std::string Trim(const std::string& s);
    // Parses a whole finite decimal number; false otherwise.
    static bool ParseNumber(const std::string& text, double& value);
    // The same for a text without surrounding blanks, without copying it.
    static bool ParseToken(std::string_view text, double& value);
    // Fixed notation with up to `decimals` decimals, trailing zeros dropped
    // (3.500000 -> 3.5, 2.000000 -> 2).
    static std::string Fixed(double value, int decimals);
    // Fixed's text appended to out.
    static void AppendFixed(std::string& out, double value, int decimals);
    // The shortest decimal text that reads back as the same float
    // (1525.9f gives 1525.9, not 1525.900024).
    static std::string ShortFloat(float value);
    // Reads a whole file; throws ecFormatError naming it when it cannot.
    static std::string ReadFile(const std::string& path);
};
