#pragma once

#include <windows.h>

#include "player_timer.h"

namespace tonvex {

// A player timer on a high-resolution waitable timer and the performance counter; where the
// system has no high-resolution timer, a 1 ms system timer period and plain waits. The
// thread that waits runs at time-critical priority.
class WaitableTimer : public PlayerTimer {
public:
    // Throws EngineError when the system gives no timer.
    WaitableTimer();
    ~WaitableTimer() override;

    WaitableTimer(const WaitableTimer&) = delete;
    WaitableTimer& operator=(const WaitableTimer&) = delete;

    std::int64_t nowMicros() override;
    bool waitUntil(std::int64_t deadlineMicros) override;
    void cancel() override;

    // Whether the high-resolution timer is in use.
    bool highResolution() const { return m_timer != nullptr; }

private:
    HANDLE m_timer = nullptr;  // high-resolution timer, when there is one
    HANDLE m_cancel = nullptr; // manual-reset event
    LARGE_INTEGER m_frequency{};
    bool m_boosted = false;
};

} // namespace tonvex
