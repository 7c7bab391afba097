#pragma once

#include <cstdint>
#include <vector>

namespace tonvex::bench {

// A format-0 file of `quarters` quarter notes at 480 ticks each: a note on two channels every
// eighth, and a new tempo every two quarters (120, 150, 90, 200 and 72 a minute in turn).
std::vector<std::uint8_t> songWithTempoChanges(int quarters);

} // namespace tonvex::bench
