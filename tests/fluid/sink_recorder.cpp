#include "sink_recorder.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tonvex::test {

SinkRecorder::SinkRecorder(const std::string& sink)
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string device = "--device=" + sink + ".monitor";
    const char* argv[] = {"parec", device.c_str(), "--latency-msec=10", "--format=s16le",
                          "--rate=44100", "--channels=2", "--raw", nullptr};
    const int spawned = posix_spawnp(&m_pid, "parec", &actions, nullptr,
                                     const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        throw std::runtime_error("cannot start parec");
    }
    m_fd = pipeFds[0];
    m_reader = std::thread([this] { readLoop(m_fd); });
}

SinkRecorder::~SinkRecorder()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (m_reader.joinable())
        m_reader.join();
    if (m_fd >= 0)
        ::close(m_fd);
}

void SinkRecorder::readLoop(int fd)
{
    std::vector<std::int16_t> buffer(4096);
    std::size_t carry = 0; // bytes of an incomplete frame kept at the buffer's start
    auto* bytes = reinterpret_cast<char*>(buffer.data());
    const std::size_t capacity = buffer.size() * sizeof(std::int16_t);
    for (;;) {
        const ssize_t got = ::read(fd, bytes + carry, capacity - carry);
        if (got <= 0)
            return;
        const Clock::time_point now = Clock::now();
        const std::size_t total = carry + static_cast<std::size_t>(got);
        const std::size_t frames = total / 4;
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < frames; ++i) {
            const int left = std::abs(int{buffer[2 * i]});
            const int right = std::abs(int{buffer[2 * i + 1]});
            m_magnitudes.push_back(static_cast<std::uint16_t>(std::max(left, right)));
        }
        m_deliveries.push_back({m_magnitudes.size(), now});
        carry = total - frames * 4;
        std::copy(bytes + frames * 4, bytes + total, bytes);
    }
}

std::size_t SinkRecorder::frames() const
{
    std::lock_guard lock(m_mutex);
    return m_magnitudes.size();
}

bool SinkRecorder::waitForFrames(std::size_t count, std::chrono::milliseconds timeout) const
{
    const Clock::time_point deadline = Clock::now() + timeout;
    while (frames() < count) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::size_t SinkRecorder::firstLoud(std::size_t begin, std::size_t end, int threshold) const
{
    std::lock_guard lock(m_mutex);
    end = std::min(end, m_magnitudes.size());
    for (std::size_t i = begin; i < end; ++i)
        if (m_magnitudes[i] > threshold)
            return i;
    return npos;
}

std::size_t SinkRecorder::lastLoud(std::size_t begin, std::size_t end, int threshold) const
{
    std::lock_guard lock(m_mutex);
    end = std::min(end, m_magnitudes.size());
    for (std::size_t i = end; i > begin; --i)
        if (m_magnitudes[i - 1] > threshold)
            return i - 1;
    return npos;
}

std::vector<std::uint16_t> SinkRecorder::magnitudes(std::size_t begin, std::size_t end) const
{
    std::lock_guard lock(m_mutex);
    end = std::min(end, m_magnitudes.size());
    if (begin >= end)
        return {};
    return {m_magnitudes.begin() + static_cast<std::ptrdiff_t>(begin),
            m_magnitudes.begin() + static_cast<std::ptrdiff_t>(end)};
}

double SinkRecorder::rms(std::size_t begin, std::size_t end) const
{
    std::lock_guard lock(m_mutex);
    end = std::min(end, m_magnitudes.size());
    if (begin >= end)
        return 0.0;
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        sum += double(m_magnitudes[i]) * m_magnitudes[i];
    return std::sqrt(sum / double(end - begin));
}

SinkRecorder::Clock::time_point SinkRecorder::arrival(std::size_t frame) const
{
    std::lock_guard lock(m_mutex);
    const auto it = std::upper_bound(m_deliveries.begin(), m_deliveries.end(), frame,
                                     [](std::size_t f, const Delivery& d) { return f < d.endFrame; });
    return it == m_deliveries.end() ? Clock::time_point::max() : it->time;
}

std::size_t SinkRecorder::framesIn(std::chrono::duration<double> duration)
{
    return static_cast<std::size_t>(std::llround(duration.count() * kRate));
}

} // namespace tonvex::test
