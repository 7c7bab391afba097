#include "host_system.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "win32_path.h"

namespace tonvex::cli {

namespace {

// The console's output code page before useUtf8Output(); 0 while unchanged. The console
// outlives the program, and the shell that started it keeps writing in its own code page.
UINT g_previousCodePage = 0;

constexpr std::size_t kConsoleBuffer = 16 * 1024;

// The message without the line break and full stop Windows ends it with, to sit in brackets.
std::string systemMessage(DWORD error)
{
    std::string message = std::system_category().message(static_cast<int>(error));
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == '.'))
        message.pop_back();
    return message;
}

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

void useUtf8Output()
{
    // Text mode would add CR before LF, and on a console convert through the ANSI code page.
    // Unbuffered, a console stream may be written a byte at a time, which splits the UTF-8
    // sequences the console decodes; buffered, ProgressLine flushes it as it redraws.
    for (std::FILE* stream : {stdout, stderr}) {
        ::_setmode(::_fileno(stream), _O_BINARY);
        if (isTerminal(stream))
            std::setvbuf(stream, nullptr, _IOFBF, kConsoleBuffer);
    }
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

std::string openFailure(const std::string& path)
{
    const std::wstring wide = win32Path(path);
    if (wide.empty())
        return systemMessage(ERROR_INVALID_NAME);
    const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return systemMessage(::GetLastError());
    ::CloseHandle(file);
    return {};
}

void clearFileError()
{
    ::SetLastError(ERROR_SUCCESS);
}

std::string fileError()
{
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? systemMessage(error) : std::string();
}

} // namespace tonvex::cli
