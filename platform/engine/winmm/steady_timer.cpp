#include "steady_timer.h"

#include <chrono>

namespace tonvex {

std::int64_t SteadyTimer::nowMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SteadyTimer::waitUntil(std::int64_t deadlineMicros)
{
    using namespace std::chrono;
    const steady_clock::time_point deadline{duration_cast<steady_clock::duration>(microseconds(deadlineMicros))};
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_until(lock, deadline, [this] { return m_cancelled; });
}

void SteadyTimer::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_wake.notify_all();
}

} // namespace tonvex
