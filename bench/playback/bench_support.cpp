#include "bench_support.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tonvex::bench {

using namespace std::chrono_literals;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double maxOf(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

Clock::time_point firstSound(const test::SinkRecorder& recorder, std::size_t from, Clock::duration limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        const std::size_t loud = recorder.firstLoud(from, recorder.frames(), kSilence);
        if (loud != test::SinkRecorder::npos)
            return recorder.arrival(loud);
        std::this_thread::sleep_for(1ms);
    }
    return Clock::time_point::max();
}

pid_t spawnQuiet(const std::vector<std::string>& args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void stopChild(pid_t pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

CpuHogs::CpuHogs(int count)
{
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            volatile unsigned long spin = 0;
            for (;;)
                spin = spin + 1;
        }
        if (pid > 0)
            m_pids.push_back(pid);
    }
}

CpuHogs::~CpuHogs()
{
    for (pid_t pid : m_pids)
        ::kill(pid, SIGKILL);
    for (pid_t pid : m_pids) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
}

long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

Gaps findGaps(const std::vector<std::uint16_t>& magnitudes, std::size_t minFrames)
{
    Gaps gaps;
    constexpr std::size_t kListed = 5;
    std::size_t run = 0;
    std::size_t at = 0;
    auto close = [&] {
        if (run >= minFrames) {
            const double length = 1000.0 * double(run) / test::SinkRecorder::kRate;
            if (gaps.startsMs.size() < kListed)
                gaps.startsMs.push_back(1000.0 * double(at - run) / test::SinkRecorder::kRate);
            ++gaps.count;
            gaps.longestMs = std::max(gaps.longestMs, length);
            gaps.totalMs += length;
        }
        run = 0;
    };
    for (std::uint16_t m : magnitudes) {
        if (m <= kSilence)
            ++run;
        else
            close();
        ++at;
    }
    close();
    return gaps;
}

} // namespace tonvex::bench
