#pragma once

#include <condition_variable>
#include <mutex>

#include "player_timer.h"

namespace tonvex {

// A player timer on the standard library's steady clock.
class SteadyTimer : public PlayerTimer {
public:
    std::int64_t nowMicros() override;
    bool waitUntil(std::int64_t deadlineMicros) override;
    void cancel() override;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false;
};

} // namespace tonvex
