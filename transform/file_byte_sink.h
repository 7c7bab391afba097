#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "byte_sink.h"

namespace tonvex {

// Writes to an open file descriptor (not owned) through a buffer of fixed size. Every few
// megabytes it asks the kernel to start writing the new data to disk, so that a final fsync
// has little left to wait for.
class FileByteSink final : public ByteSink {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

    explicit FileByteSink(int fd, std::size_t bufferSize = kDefaultBufferSize);

private:
    bool write(const std::uint8_t* data, std::size_t size) override;

    static constexpr std::uint64_t kWritebackStep = 4 * 1024 * 1024;

    int m_fd;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_written = 0;
    std::uint64_t m_writebackFrom = 0;
};

} // namespace tonvex
