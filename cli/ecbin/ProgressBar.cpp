#include "ecbin/ProgressBar.h"

#include <algorithm>
#include <ostream>

#include <unistd.h>

#include "ecinterop/SafeText.h"

namespace {
const size_t kWidth = 30;
const size_t kLine = 78;
} // namespace

ProgressBar::ProgressBar(std::ostream& out, bool enabled, size_t total) : m_out(out), m_enabled(enabled), m_total(total)
{
}

ProgressBar::~ProgressBar()
{
    Finish();
}

bool ProgressBar::StderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void ProgressBar::Step(const std::string& label)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_done;
    if (!m_enabled || m_total == 0)
        return;
    const size_t filled = m_done * kWidth / m_total;
    std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] " +
                       std::to_string(m_done) + "/" + std::to_string(m_total) + " ";
    std::string name = SafeText::Printable(label);
    if (line.size() + name.size() > kLine)
        name = "..." + name.substr(name.size() - (kLine - line.size() - 3));
    line += name;
    m_out << '\r' << line << std::string(kLine - std::min(kLine, line.size()), ' ') << std::flush;
    m_drawn = true;
}

void ProgressBar::Finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_drawn) {
        m_out << '\r' << std::string(kLine, ' ') << '\r' << std::flush;
        m_drawn = false;
    }
}
