#pragma once
#include <ios>
#include <sstream>
#include <string>
#include <vector>

// The first n characters (all of them when n is larger, none when n <= 0).
std::string LeftString(const std::string& s, int n);
// The last n characters.
std::string RightString(const std::string& s, int n);
// n characters from a zero-based start, clipped to the string.
std::string MidString(const std::string& s, int start, int n);
// Upper-cases in place (ASCII).
void ToUpper(std::string& s);
// Appends to fields the pieces between any of the delimiter characters.
void SplitFields(std::string& s, std::vector<std::string>& fields, const std::string& delimiters);

// Parses the whole text as a number in the given base; true on success.
// On failure the value is left unchanged.
template <class T>
bool from_string(T& value, const std::string& text, std::ios_base& (*base)(std::ios_base&))
{
    std::istringstream in(text);
    T parsed{};
    if (!(in >> base >> parsed))
        return false;
    in >> std::ws;
    if (!in.eof())
        return false;
    value = parsed;
    return true;
}
