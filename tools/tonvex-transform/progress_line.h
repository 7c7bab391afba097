#pragma once

#include <chrono>
#include <cstddef>

namespace tonvex::cli {

// "tonvex-transform: 120/3810 files" on standard error, redrawn in place, only when standard
// error is a terminal. Cleared before each report line when standard output is a terminal too.
class ProgressLine {
public:
    explicit ProgressLine(std::size_t total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows `done` files out of the total, at most ten times a second.
    void show(std::size_t done);

    // To be called before writing a line to standard output.
    void beforeOutput();

    void clear();

private:
    using Clock = std::chrono::steady_clock;

    std::size_t m_total;
    bool m_enabled;
    bool m_sharesTerminal;
    int m_shownLength = 0; // 0 while nothing is shown
    Clock::time_point m_lastDraw;
};

} // namespace tonvex::cli
