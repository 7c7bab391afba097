#include "waitable_timer.h"

#include <mmsystem.h>

#include "engine.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace tonvex {
namespace {

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kMicrosPerMilli = 1000;
constexpr LONGLONG kHundredNanosPerMicro = 10;
constexpr UINT kSystemPeriodMillis = 1;

} // namespace

WaitableTimer::WaitableTimer()
{
    QueryPerformanceFrequency(&m_frequency);
    m_cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_cancel)
        throw EngineError("cannot create the player's stop event");
    // Windows 10 1803 and later; elsewhere a waitable timer is only as fine as the system period.
    m_timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!m_timer)
        timeBeginPeriod(kSystemPeriodMillis);
}

WaitableTimer::~WaitableTimer()
{
    if (m_timer)
        CloseHandle(m_timer);
    else
        timeEndPeriod(kSystemPeriodMillis);
    CloseHandle(m_cancel);
}

std::int64_t WaitableTimer::nowMicros()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const std::int64_t seconds = counter.QuadPart / m_frequency.QuadPart;
    const std::int64_t rest = counter.QuadPart % m_frequency.QuadPart;
    return seconds * kMicrosPerSecond + rest * kMicrosPerSecond / m_frequency.QuadPart;
}

bool WaitableTimer::waitUntil(std::int64_t deadlineMicros)
{
    if (!m_boosted) {
        // Due times matter more than anything else this thread could yield to.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        m_boosted = true;
    }
    for (;;) {
        const std::int64_t left = deadlineMicros - nowMicros();
        if (WaitForSingleObject(m_cancel, 0) == WAIT_OBJECT_0)
            return false;
        if (left <= 0)
            return true;
        if (m_timer) {
            LARGE_INTEGER due;
            due.QuadPart = -left * kHundredNanosPerMicro; // relative
            if (SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE)) {
                const HANDLE handles[] = {m_cancel, m_timer};
                if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0)
                    return false;
                continue;
            }
        }
        // Whole milliseconds at the 1 ms period, which end late if anything; the rest of the
        // last millisecond spent yielding.
        const DWORD millis = static_cast<DWORD>(left / kMicrosPerMilli);
        if (millis == 0)
            SwitchToThread();
        else if (WaitForSingleObject(m_cancel, millis) == WAIT_OBJECT_0)
            return false;
    }
}

void WaitableTimer::cancel()
{
    SetEvent(m_cancel);
}

} // namespace tonvex
