#pragma once

#include <exception>

#include <windows.h>

namespace tonvex::win32 {

// Logs a failure to the debugger without allocating.
inline void report(const char* what, const char* why) noexcept
{
    OutputDebugStringA("tonvex: ");
    OutputDebugStringA(what);
    OutputDebugStringA(" failed: ");
    OutputDebugStringA(why);
    OutputDebugStringA("\n");
}

// Runs `handler`; an exception it throws is logged to the debugger and goes no further, since
// none may cross a window procedure.
template <class Handler>
void guarded(const char* what, Handler&& handler) noexcept
{
    try {
        handler();
    } catch (const std::exception& error) {
        report(what, error.what());
    } catch (...) {
        report(what, "unknown error");
    }
}

} // namespace tonvex::win32
