#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "byte_sink.h"
#include "native_handle.h"

namespace tonvex {

class TemporaryFile;

// Writes to an open file (not owned) through a buffer of fixed size.
class FileByteSink final : public ByteSink {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

    explicit FileByteSink(NativeHandle file, std::size_t bufferSize = kDefaultBufferSize);

    // Writes to `file` through `buffer` (at least one byte), neither owned and both outliving
    // the sink. The file is created when the buffer is first passed on, so output that never
    // leaves the buffer costs no file; a failed creation is a failed write.
    FileByteSink(TemporaryFile& file, std::span<std::uint8_t> buffer);

private:
    bool write(const std::uint8_t* data, std::size_t size) override;
    // Every byte to the open file, in the platform's own calls; false on any write error.
    bool writeAll(const std::uint8_t* data, std::size_t size);

    NativeHandle m_handle = kNoHandle;
    TemporaryFile* m_file = nullptr;
    std::unique_ptr<std::uint8_t[]> m_storage;
};

} // namespace tonvex
