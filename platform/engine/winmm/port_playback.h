#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "engine.h"
#include "event_cursor.h"
#include "player_timer.h"
#include "shared_port.h"

namespace tonvex {

// One start of a song: a thread of its own sends the song's messages to the port, each when
// it is due by the timer. Shared by the performance and the segment state it returned.
class PortPlayback {
public:
    // The song's clock starts this long after the start: a start that is stopped at once, as
    // the loader's tempo probe does, sends nothing.
    static constexpr std::int64_t kStartLatencyMicros = 2000;

    // Starts at `start` (music time) at once; `tempo` scales the speed. Throws EngineError
    // when the thread cannot be started.
    PortPlayback(std::shared_ptr<SharedPort> port, std::shared_ptr<const SongTimeline> timeline, MusicTime start,
                 float tempo, std::unique_ptr<PlayerTimer> timer);
    // Stops the thread.
    ~PortPlayback();

    PortPlayback(const PortPlayback&) = delete;
    PortPlayback& operator=(const PortPlayback&) = delete;

    // Position reached by the timer's clock, at most the song's end.
    MusicTime position();
    // True until the song's end was reached or it was stopped.
    bool isPlaying() const;
    // Cancels the wait and joins the thread: once it returns, no message of the song follows.
    // True for the first stop of the start, which is the one that needs silencing.
    bool stop();

    bool plays(const SongTimeline* timeline) const { return m_timeline.get() == timeline; }
    const SongTimeline& timeline() const { return *m_timeline; }

private:
    void run() noexcept;
    void send(const SongEvent& event);

    std::shared_ptr<SharedPort> m_port;
    std::shared_ptr<const SongTimeline> m_timeline;
    EventCursor m_cursor;
    std::unique_ptr<PlayerTimer> m_timer;
    const double m_tempo;
    const std::int64_t m_origin;   // timer time at which the start is due
    const double m_startMicros;    // music time of the start, in microseconds
    std::vector<std::uint8_t> m_sysEx;
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_stopped{false};
    std::atomic<std::int64_t> m_stoppedAt{0};
    std::thread m_thread; // last: starts once everything above is ready
};

} // namespace tonvex
