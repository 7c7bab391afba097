#include "host_system.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <thread>

namespace tonvex::cli {

namespace {

// The console's output code page before useUtf8Console(); 0 while unchanged. The console
// outlives the program, and the shell that started it keeps writing in its own code page.
UINT g_previousCodePage = 0;

} // namespace

unsigned processorCount()
{
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0)
        return static_cast<unsigned>(std::popcount(static_cast<unsigned long long>(process)));
    return std::max(std::thread::hardware_concurrency(), 1u);
}

bool isTerminal(std::FILE* stream)
{
    // _isatty() is also true for NUL and serial ports; a console answers GetConsoleMode.
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

void useUtf8Console()
{
    const UINT current = ::GetConsoleOutputCP();
    if (current == 0 || current == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8))
        return; // no console, or already UTF-8
    g_previousCodePage = current;
    std::atexit(restoreConsole);
}

void restoreConsole()
{
    std::fflush(stdout);
    std::fflush(stderr);
    if (g_previousCodePage != 0)
        ::SetConsoleOutputCP(g_previousCodePage);
    g_previousCodePage = 0;
}

} // namespace tonvex::cli
