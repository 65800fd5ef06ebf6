#include "ecrun/HostError.h"

#include <ostream>
#include <sstream>

#include "ecinterop/SafeText.h"
#include "ecevents/foundation/ecError.h"
#include "ecinterop/ecFormatError.h"
#include "ecsafewrite/ecSafeWriter.h"

namespace {

// Messages go to a terminal and into summaries: a name or path inside one
// must neither break the line nor reach the terminal as a control sequence.
std::string OneLine(std::string text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '\t'))
        text.pop_back();
    return SafeText::Printable(text);
}

} // namespace

HostError::HostError(const std::string& message) : std::runtime_error(OneLine(message)) {}

HostError::HostError(const std::string& file, const std::string& what) : std::runtime_error(Format(file, what)) {}

std::string HostError::Format(const std::string& file, const std::string& what)
{
    return OneLine(file.empty() ? what : file + ": " + what);
}

HostError HostError::FromCurrent(const std::string& file, const std::string& doing)
{
    try {
        throw;
    } catch (const HostError& e) {
        return e;
    } catch (const ecFormatError& e) {
        return Lines(e.Lines());
    } catch (const ecWriteError& e) {
        return HostError(e.what());
    } catch (const ecError& e) {
        return HostError(file, doing + e.what());
    } catch (const std::exception& e) {
        return HostError(file, doing + e.what());
    } catch (...) {
        return HostError(file, doing + "unexpected failure");
    }
}

HostError HostError::Lines(const std::vector<std::string>& lines)
{
    HostError error(lines.empty() ? std::string() : lines[0]);
    std::string all = error.what();
    for (size_t i = 1; i < lines.size(); ++i)
        all += "\n" + OneLine(lines[i]);
    static_cast<std::runtime_error&>(error) = std::runtime_error(all);
    return error;
}

void HostError::Print(std::ostream& out, const std::string& message)
{
    std::istringstream lines(message);
    for (std::string line; std::getline(lines, line);)
        out << "ecbin: " << line << "\n";
}
