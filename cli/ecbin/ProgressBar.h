#pragma once
#include <cstddef>
#include <iosfwd>
#include <mutex>
#include <string>

// A one-line progress bar redrawn in place with carriage returns; only
// meant for a terminal (the caller decides). Thread-safe.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool enabled, size_t total);
    ~ProgressBar();

    // One more item done; label names it.
    void Step(const std::string& label);
    // Erases the bar.
    void Finish();

    // Whether standard error is a terminal.
    static bool StderrIsTerminal();

private:
    std::ostream& m_out;
    bool m_enabled;
    size_t m_total;
    size_t m_done = 0;
    bool m_drawn = false;
    std::mutex m_mutex;
};
