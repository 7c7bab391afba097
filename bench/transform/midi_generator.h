#pragma once

#include <cstddef>
#include <string>

namespace tonvex::bench {

// Writes a format-1 file of about `size` bytes: 16 tracks of dense notes in running status
// on every channel, with lyrics, text and sysex events among them. False on a write error.
bool writeDenseMidiFile(const std::string& path, std::size_t size);

} // namespace tonvex::bench
