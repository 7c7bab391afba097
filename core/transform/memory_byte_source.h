#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>

#include "byte_source.h"

namespace tonvex {

// Reads from bytes in memory that outlive the source, `windowSize` bytes per refill (small
// windows exercise the refill path).
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes,
                              std::size_t windowSize = std::numeric_limits<std::size_t>::max());

private:
    bool fill() override;

    std::span<const std::uint8_t> m_rest;
    std::size_t m_windowSize;
};

} // namespace tonvex
