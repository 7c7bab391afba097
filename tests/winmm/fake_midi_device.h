#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <span>
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
    bool gone = false; // channel messages fail
    std::vector<std::string> log;

    void record(std::string entry, std::span<const std::uint8_t> bytes = {}, bool timed = false)
    {
        std::lock_guard lock(mutex);
        entry = timed ? std::to_string(now) + ":" : entry;
        for (std::uint8_t byte : bytes)
            entry += " " + std::to_string(byte);
        log.push_back(entry);
        changed.notify_all();
    }
    // Sets the clock or the hold, and maybe clears the log.
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

struct FakePort : MidiPort {
    explicit FakePort(FakeMidiDevice& device) : device(device) { device.record("open"); }
    ~FakePort() override { device.record("close"); }
    void shortMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override
    {
        if (device.gone)
            throw EngineError("the device is gone");
        device.record({}, std::initializer_list<std::uint8_t>{status, data1, data2}, true);
    }
    void longMessage(std::span<const std::uint8_t> message) override { device.record({}, message, true); }
    void setVolume(double gain) override { device.record("volume " + std::to_string(gain)); }
    void reset() override { device.record("reset"); }
    FakeMidiDevice& device;
};

struct FakeTimer : PlayerTimer {
    explicit FakeTimer(FakeMidiDevice& device) : device(device) {}
    std::int64_t nowMicros() override
    {
        std::lock_guard lock(device.mutex);
        return device.now;
    }
    bool waitUntil(std::int64_t deadline) override
    {
        std::unique_lock lock(device.mutex);
        device.waiting = deadline > device.hold;
        device.changed.notify_all();
        device.changed.wait(lock, [&] { return cancelled || deadline <= device.hold; });
        device.waiting = false;
        if (!cancelled)
            device.now = std::max(device.now, deadline);
        return !cancelled;
    }
    void cancel() override
    {
        std::lock_guard lock(device.mutex);
        cancelled = true;
        device.changed.notify_all();
    }
    FakeMidiDevice& device;
    bool cancelled = false;
};

inline MidiPortOpener FakeMidiDevice::opener()
{
    return [this]() -> std::unique_ptr<MidiPort> {
        return noDevice ? throw EngineError("no MIDI output device") : std::make_unique<FakePort>(*this);
    };
}
inline PlayerTimerFactory FakeMidiDevice::timers() { return [this] { return std::make_unique<FakeTimer>(*this); }; }

} // namespace tonvex::test
