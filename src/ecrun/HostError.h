#pragma once
#include <stdexcept>
#include <iosfwd>
#include <string>
#include <vector>

// A failure of the command-line host, worded for the user: the message names
// the file (when there is one) and what is wrong with it, on one line.
class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& message);
    HostError(const std::string& file, const std::string& what);

    // Inside a catch block: what was caught, in the host's words. The one
    // place where the library's and the formats' errors become HostErrors.
    // The formats' and the safe writer's errors name their file already;
    // any other is told as "file: doing what" (both may be empty).
    static HostError FromCurrent(const std::string& file = "", const std::string& doing = "");

    // Several problems, one line each (each made safe as Format does).
    static HostError Lines(const std::vector<std::string>& lines);
    // Writes a message as "ecbin: " lines, one per line of the message.
    static void Print(std::ostream& out, const std::string& message);

    // Joins a file name and a reason as "file: reason"; control characters
    // and bytes that are not UTF-8 are written as \xNN (SafeText::Printable),
    // so the message stays on one line and is safe on a terminal.
    static std::string Format(const std::string& file, const std::string& what);
};
