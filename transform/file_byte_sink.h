#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "byte_sink.h"

namespace tonvex {

// Writes to an open file descriptor (not owned) through a buffer of fixed size.
class FileByteSink final : public ByteSink {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

    explicit FileByteSink(int fd, std::size_t bufferSize = kDefaultBufferSize);

    // Writes through `buffer` (not owned, at least one byte), which must outlive the sink.
    FileByteSink(int fd, std::span<std::uint8_t> buffer);

private:
    bool write(const std::uint8_t* data, std::size_t size) override;

    int m_fd;
    std::unique_ptr<std::uint8_t[]> m_storage;
};

} // namespace tonvex
