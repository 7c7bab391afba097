#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "song_timeline.h"

namespace tonvex {

// One message for the synthesizer, or the song's end, with the time it is due.
struct SongEvent {
    enum class Kind { Channel, SysEx, End };
    Kind kind = Kind::End;
    std::int64_t tick = 0;      // file tick; state chased from before the start carries the start
    std::int64_t dueMicros = 0; // after the cursor's start, along the tempo map
    std::uint8_t status = 0;    // a channel status, or the system exclusive status
    std::span<const std::uint8_t> data; // data bytes, or a system exclusive's bytes after its status
};

// Reads a song event by event for a synthesizer, from a start tick on: first the state that
// the messages before the start left (program, controllers, pressure, pitch bend, system
// exclusive), all due at once; then every message from the start on at its time along the
// tempo map; last the song's end. Of messages before the start that set one lasting value
// (a controller's, a program, pressure, pitch bend) only the last of each is chased; those
// that act in sequence (bank select, data entry and its parameter numbers, channel mode
// messages, system exclusive) are chased all, in their order.
class EventCursor {
public:
    // A start past the song's end starts at the end, a negative one at the beginning.
    EventCursor(std::shared_ptr<const SongTimeline> timeline, std::int64_t startTick);

    // The next event; nothing once the end has been taken.
    std::optional<SongEvent> next();

    std::int64_t startTick() const { return m_startTick; }
    const SmfSong& song() const { return m_timeline->song(); }

private:
    SongEvent eventAt(const PlayableEvent& event, std::int64_t tick) const;
    std::int64_t dueAt(std::int64_t tick) const;

    std::shared_ptr<const SongTimeline> m_timeline;
    std::int64_t m_startTick = 0;
    double m_startMicros = 0.0;
    std::vector<std::uint32_t> m_chased; // timeline indices of the state chased, in order
    std::size_t m_chasedNext = 0;
    std::size_t m_next = 0;
    bool m_ended = false;
};

} // namespace tonvex
