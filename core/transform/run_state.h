#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tonvex {

// Bytes taken from the input to look at what comes next and not yet copied; a reader hands
// them out before anything else. A look goes at most four bytes ahead: a chunk identifier.
struct ReadAhead {
    static constexpr std::size_t kCapacity = 4;
    std::array<std::uint8_t, kCapacity> Bytes{};
    std::uint8_t First = 0; // index of the next byte to hand out
    std::uint8_t Count = 0; // bytes left from First on
};

// What the copier remembers between events, kept from one track chunk to the next. Only
// channel status bytes change the running status: it carries on across meta and sysex events.
struct RunState {
    bool LastStatusIsNote = false; // the running status is a note-off or note-on
    int CurrentChannel = 0;        // 1..16 of the running status; 0 before the first one
    std::uint8_t RunningStatus = 0; // last channel status byte 0x80..0xEF; 0 before the first one
    std::uint64_t TrackEnd = 0;     // input offset where the last track chunk begun ends by its length field
    ReadAhead Ahead;
    std::string Refusal; // why the input was refused, e.g. "meta type 0x80 at byte 1234"
};

} // namespace tonvex
