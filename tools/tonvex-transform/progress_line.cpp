#include "progress_line.h"

#include <cstdio>
#include <string>

#include "host_system.h"

namespace tonvex::cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

} // namespace

ProgressLine::ProgressLine(std::size_t total)
    : m_total(total), m_enabled(isTerminal(stderr)), m_sharesTerminal(isTerminal(stdout))
{
}

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::show(std::size_t done)
{
    // A console may buffer its streams fully (Windows): what was written shows by now.
    if (m_sharesTerminal)
        std::fflush(stdout);
    if (!m_enabled)
        return;
    const Clock::time_point now = Clock::now();
    if (m_shownLength > 0 && now - m_lastDraw < kRedrawInterval)
        return;
    m_lastDraw = now;
    // Counts only: the line never grows past the terminal's width, so "\r" always reaches its start.
    m_shownLength = std::fprintf(stderr, "\rtonvex-transform: %zu/%zu files", done, m_total) - 1;
    if (m_shownLength < 1)
        m_shownLength = 1;
    std::fflush(stderr);
}

void ProgressLine::beforeOutput()
{
    if (m_sharesTerminal)
        clear();
}

void ProgressLine::clear()
{
    if (m_shownLength == 0)
        return;
    // Spaces rather than an erase sequence: the same on every terminal, "dumb" ones included.
    std::fprintf(stderr, "\r%s\r", std::string(static_cast<std::size_t>(m_shownLength), ' ').c_str());
    std::fflush(stderr);
    m_shownLength = 0;
}

} // namespace tonvex::cli
