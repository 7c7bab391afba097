#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine.h"
#include "midi_port.h"
#include "player_timer.h"

namespace tonvex::test {

// A MIDI device and a clock in one: the clock runs straight to each due time up to `hold`,
// where the player waits until released or cancelled; the port logs what it gets with the
// time, as "open", "volume 0.5", "reset", "close" or "time: bytes".
struct FakeMidiDevice {
    std::mutex mutex;
    std::condition_variable changed;
    std::int64_t now = 0;
    std::int64_t hold = std::numeric_limits<std::int64_t>::max();
    bool waiting = false; // a player waits at the hold
    bool noDevice = false;
    std::vector<std::string> log;

    void record(const std::string& entry)
    {
        std::lock_guard lock(mutex);
        log.push_back(entry);
    }
    void message(const std::uint8_t* bytes, std::size_t size)
    {
        std::lock_guard lock(mutex);
        std::string entry = std::to_string(now) + ":";
        for (std::size_t i = 0; i < size; ++i)
            entry += " " + std::to_string(bytes[i]);
        log.push_back(entry);
    }
    // Waits (at most 10 s) until the condition holds under the lock.
    template <class Condition>
    bool waitFor(Condition condition)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), condition);
    }
    void release(std::int64_t newHold = std::numeric_limits<std::int64_t>::max())
    {
        std::lock_guard lock(mutex);
        hold = newHold;
        changed.notify_all();
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
        m_device.message(bytes, 3);
    }
    void longMessage(std::span<const std::uint8_t> message) override { m_device.message(message.data(), message.size()); }
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
        while (!m_cancelled && deadline > m_device.hold) {
            m_device.waiting = true;
            m_device.changed.notify_all();
            m_device.changed.wait(lock);
        }
        m_device.waiting = false;
        if (m_cancelled)
            return false;
        m_device.now = std::max(m_device.now, deadline);
        m_device.changed.notify_all();
        return true;
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
