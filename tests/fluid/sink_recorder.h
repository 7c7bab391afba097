#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace tonvex::test {

// Records a PulseAudio sink's monitor with parec at a low latency (so that the null sink
// runs in real time) and keeps, per frame, the louder channel's magnitude.
class SinkRecorder {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kRate = 44100;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Starts recording `sink`.monitor; throws std::runtime_error when parec cannot start.
    explicit SinkRecorder(const std::string& sink);
    ~SinkRecorder();

    SinkRecorder(const SinkRecorder&) = delete;
    SinkRecorder& operator=(const SinkRecorder&) = delete;

    // Frames received so far.
    std::size_t frames() const;
    // Waits until at least `count` frames arrived; false on timeout.
    bool waitForFrames(std::size_t count, std::chrono::milliseconds timeout) const;
    // First frame in [begin, end) louder than `threshold`; npos if none.
    std::size_t firstLoud(std::size_t begin, std::size_t end, int threshold) const;
    // Last frame in [begin, end) louder than `threshold`; npos if none.
    std::size_t lastLoud(std::size_t begin, std::size_t end, int threshold) const;
    // The magnitudes of frames [begin, end).
    std::vector<std::uint16_t> magnitudes(std::size_t begin, std::size_t end) const;
    // Root mean square of the magnitudes in [begin, end).
    double rms(std::size_t begin, std::size_t end) const;
    // When the read that delivered the frame returned (no earlier than it was played).
    Clock::time_point arrival(std::size_t frame) const;
    // Frame count for a duration.
    static std::size_t framesIn(std::chrono::duration<double> duration);

private:
    void readLoop(int fd);

    struct Delivery {
        std::size_t endFrame;
        Clock::time_point time;
    };

    mutable std::mutex m_mutex;
    std::vector<std::uint16_t> m_magnitudes;
    std::vector<Delivery> m_deliveries;
    pid_t m_pid = -1;
    int m_fd = -1;
    std::thread m_reader;
};

} // namespace tonvex::test
