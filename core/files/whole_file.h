#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tonvex {

// Every byte of the file at `path` (UTF-8), read as raw bytes; nullopt when it cannot be
// opened. A read error ends the bytes early, as the end of the file would.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

} // namespace tonvex
