#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "byte_source.h"
#include "file_handle.h"

namespace tonvex {

// Reads a file, named in UTF-8, through a buffer of fixed size, so memory does not grow with
// the file. Bytes come as they are stored (no text-mode translation on any platform).
class FileByteSource final : public ByteSource {
public:
    static constexpr std::size_t kDefaultBufferSize = 64 * 1024;

    explicit FileByteSource(const std::string& path, std::size_t bufferSize = kDefaultBufferSize);

    // Reads through `buffer` (not owned, at least one byte), which must outlive the source.
    FileByteSource(const std::string& path, std::span<std::uint8_t> buffer);

    // False when the file could not be opened.
    bool isOpen() const { return m_file.isOpen(); }

private:
    bool fill() override;

    FileHandle m_file;
    std::unique_ptr<std::uint8_t[]> m_storage;
    std::span<std::uint8_t> m_buffer;
};

} // namespace tonvex
