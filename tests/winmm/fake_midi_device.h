#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <mutex>
#include <string>
#include <vector>

#include "engine.h"
#include "midi_port.h"
#include "player_timer.h"

namespace tonvex::test {

// A MIDI device and a clock in one. The clock runs straight to each due time up to `hold`,
// where the player waits (`waiting`) until released or cancelled; the port logs what it gets
// as "open", "close", "reset", "volume 0.5" or "time: bytes".
struct FakeMidiDevice {
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
    std::mutex mutex;
    std::condition_variable changed;
    std::int64_t now = 0;
    std::int64_t hold = kNever;
    bool waiting = false;
    bool noDevice = false;
    std::vector<std::string> log;

    void record(std::string entry, std::span<const std::uint8_t> bytes = {}, bool timed = false)
    {
        std::lock_guard lock(mutex);
        if (timed)
            entry = std::to_string(now) + ":";
        for (std::uint8_t byte : bytes)
            entry += " " + std::to_string(byte);
        log.push_back(entry);
        changed.notify_all();
    }
    // Sets the clock or the hold, clears the log.
    void set(std::int64_t* field, std::int64_t value, bool clearLog = false)
    {
        std::lock_guard lock(mutex);
        *field = value;
        if (clearLog)
            log.clear();
        changed.notify_all();
    }
    // Waits at most 10 s for the condition, checked under the lock.
    template <class Condition>
    bool waitFor(Condition condition)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), condition);
    }
    std::vector<std::string> entries()
    {
        std::lock_guard lock(mutex);
        return log;
    }
    MidiPortOpener opener();
    PlayerTimerFactory timers();
};

class FakePort : public MidiPort {
public:
    explicit FakePort(FakeMidiDevice& device) : m_device(device) { m_device.record("open"); }
    ~FakePort() override { m_device.record("close"); }
    void shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        const std::uint8_t bytes[] = {status, data1, data2};
        m_device.record({}, bytes, true);
    }
    void longMessage(std::span<const std::uint8_t> message) override { m_device.record({}, message, true); }
    void setVolume(double gain) override { m_device.record("volume " + std::to_string(gain)); }
    void reset() override { m_device.record("reset"); }

private:
    FakeMidiDevice& m_device;
};

class FakeTimer : public PlayerTimer {
public:
    explicit FakeTimer(FakeMidiDevice& device) : m_device(device) {}
    std::int64_t nowMicros() override
    {
        std::lock_guard lock(m_device.mutex);
        return m_device.now;
    }
    bool waitUntil(std::int64_t deadline) override
    {
        std::unique_lock lock(m_device.mutex);
        m_device.waiting = deadline > m_device.hold;
        m_device.changed.notify_all();
        m_device.changed.wait(lock, [&] { return m_cancelled || deadline <= m_device.hold; });
        m_device.waiting = false;
        if (!m_cancelled)
            m_device.now = std::max(m_device.now, deadline);
        return !m_cancelled;
    }
    void cancel() override
    {
        std::lock_guard lock(m_device.mutex);
        m_cancelled = true;
        m_device.changed.notify_all();
    }

private:
    FakeMidiDevice& m_device;
    bool m_cancelled = false;
};

inline MidiPortOpener FakeMidiDevice::opener()
{
    return [this]() -> std::unique_ptr<MidiPort> {
        if (noDevice)
            throw EngineError("no MIDI output device");
        return std::make_unique<FakePort>(*this);
    };
}

inline PlayerTimerFactory FakeMidiDevice::timers()
{
    return [this] { return std::make_unique<FakeTimer>(*this); };
}

} // namespace tonvex::test
