#pragma once

#include <cstdint>
#include <vector>

namespace tonvex::win32 {

// An opaque picture in memory: 32-bit pixels (blue, green, red, unused), rows from the top.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
};

// Returns `source` at `width` x `height`, each pixel the area-weighted mean of the source
// pixels it covers, so that shrinking the 2x art stays smooth; an empty picture for an empty
// source or size.
PixelImage resample(const PixelImage& source, int width, int height);

} // namespace tonvex::win32
