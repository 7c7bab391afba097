#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "byte_sink.h"

namespace tonvex {

// Collects the output in memory; a write beyond `capacity` bytes fails, like a full disk.
class MemoryByteSink final : public ByteSink {
public:
    explicit MemoryByteSink(std::size_t capacity = std::numeric_limits<std::size_t>::max());

    // The bytes written so far; call flush() first.
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    bool write(const std::uint8_t* data, std::size_t size) override;

    std::array<std::uint8_t, 4096> m_buffer{};
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_capacity;
};

} // namespace tonvex
