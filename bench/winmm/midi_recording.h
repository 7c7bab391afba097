#pragma once

#include <string>
#include <vector>

#include "smf_song.h"

namespace tonvex::bench {

// One call the recording stand-in for winmm.dll saw.
struct RecordedCall {
    double seconds = 0.0; // on the performance counter
    std::string call;     // "open", "short", "long", "volume", "reset", "close"
    std::string argument; // a short message as six hex digits, status last
};

// Now on the performance counter, the recording's clock.
double counterSeconds();

// The calls recorded in the file, oldest first; empty when there is none.
std::vector<RecordedCall> readRecording(const std::string& path);

// How late each of the song's channel messages left, in milliseconds after `startSeconds`
// plus its due time, matched in order against the first short messages recorded from
// `startSeconds` on. Throws std::runtime_error when they are not the song's messages in order.
std::vector<double> lateness(const std::vector<RecordedCall>& calls, const std::vector<std::uint8_t>& song,
                             double startSeconds);

} // namespace tonvex::bench
