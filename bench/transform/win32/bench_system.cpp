#include "bench_system.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <memory>
#include <random>
#include <stdexcept>

#include "win32_path.h"

namespace tonvex::bench {

namespace {

constexpr std::size_t kCopyBuffer = 64 * 1024;
constexpr std::size_t kKiB = 1024;
constexpr DWORD kMemoryPollMilliseconds = 1;

struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};
using Handle = std::unique_ptr<void, HandleCloser>;

Handle open(const std::string& path, DWORD access, DWORD disposition)
{
    return Handle(::CreateFileW(win32Path(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool copyData(HANDLE in, HANDLE out, std::vector<char>& buffer)
{
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        DWORD put = 0;
        if (!::WriteFile(out, buffer.data(), got, &put, nullptr) || put != got)
            return false;
    }
}

// A command line word as CommandLineToArgvW reads it back (benchmark paths hold no '"').
std::wstring commandLine(const std::string& program, const std::vector<std::string>& arguments)
{
    std::string line = '"' + program + '"';
    for (const std::string& argument : arguments)
        line += " \"" + argument + '"';
    bool ok = false;
    return wideFromUtf8(line, ok);
}

// Starts the program with its standard output to NUL; an empty handle on failure.
Handle start(const std::string& program, const std::vector<std::string>& arguments)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Handle null(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                              nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = null.get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    std::wstring line = commandLine(program, arguments);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return Handle(INVALID_HANDLE_VALUE);
    ::CloseHandle(process.hThread);
    return Handle(process.hProcess);
}

bool endedWithZero(HANDLE process)
{
    DWORD code = 1;
    return ::WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && ::GetExitCodeProcess(process, &code) &&
           code == 0;
}

} // namespace

std::filesystem::path makeTemporaryFolder(const std::string& prefix)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto folder = std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(folder))
            return folder;
    }
    throw std::runtime_error("cannot make a temporary folder");
}

bool plainCopy(const std::string& from, const std::string& to, bool sync)
{
    const Handle in = open(from, GENERIC_READ, OPEN_EXISTING);
    const Handle out = open(to, GENERIC_WRITE, CREATE_ALWAYS);
    std::vector<char> buffer(kCopyBuffer);
    bool ok = in.get() != INVALID_HANDLE_VALUE && out.get() != INVALID_HANDLE_VALUE && copyData(in.get(), out.get(), buffer);
    if (ok && sync)
        ok = ::FlushFileBuffers(out.get()) != 0;
    return ok;
}

bool copyThroughTemporary(const std::string& input, const std::string& temporary, const std::string& output,
                          std::vector<char>& buffer)
{
    {
        const Handle in = open(input, GENERIC_READ, OPEN_EXISTING);
        const Handle out = open(temporary, GENERIC_WRITE, CREATE_NEW);
        if (in.get() == INVALID_HANDLE_VALUE || out.get() == INVALID_HANDLE_VALUE || !copyData(in.get(), out.get(), buffer))
            return false;
    }
    return ::MoveFileExW(win32Path(temporary).c_str(), win32Path(output).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool runQuietly(const std::string& program, const std::vector<std::string>& arguments)
{
    const Handle process = start(program, arguments);
    return process.get() != INVALID_HANDLE_VALUE && endedWithZero(process.get());
}

long peakMemoryKiB(const std::string& program, const std::vector<std::string>& arguments)
{
    const Handle process = start(program, arguments);
    if (process.get() == INVALID_HANDLE_VALUE)
        return -1;
    // Read while it runs too: Wine has no figures for a process that has ended.
    std::size_t peak = 0;
    PROCESS_MEMORY_COUNTERS counters{};
    do {
        if (::GetProcessMemoryInfo(process.get(), &counters, sizeof counters))
            peak = std::max(peak, counters.PeakWorkingSetSize);
    } while (::WaitForSingleObject(process.get(), kMemoryPollMilliseconds) == WAIT_TIMEOUT);
    if (!endedWithZero(process.get()) || peak == 0)
        return -1;
    return static_cast<long>(peak / kKiB);
}

} // namespace tonvex::bench
