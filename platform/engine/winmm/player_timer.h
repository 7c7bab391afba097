#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace tonvex {

// The clock of one start of a song: monotonic microseconds, and a wait for a due time that a
// stop cuts short. The player thread waits on it; any thread may read it or cancel.
class PlayerTimer {
public:
    virtual ~PlayerTimer() = default;
    // Microseconds since some fixed point in the past.
    virtual std::int64_t nowMicros() = 0;
    // Waits until nowMicros() reaches the deadline; false when cancel() came first (at once
    // for every wait after a cancel).
    virtual bool waitUntil(std::int64_t deadlineMicros) = 0;
    // Ends the current wait and every later one.
    virtual void cancel() = 0;
};

// Makes a timer; throws EngineError when none can be had.
using PlayerTimerFactory = std::function<std::unique_ptr<PlayerTimer>()>;

} // namespace tonvex
