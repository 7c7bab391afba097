#pragma once

#include "native_handle.h"

namespace tonvex {

// Owns one open file of the platform (a descriptor or a HANDLE) and closes it on destruction.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(NativeHandle handle) : m_handle(handle) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    NativeHandle get() const { return m_handle; }
    bool isOpen() const { return m_handle != kNoHandle; }

    // Closes the file now; false if closing reported an error (a late write failure).
    bool close();

private:
    NativeHandle m_handle = kNoHandle;
};

} // namespace tonvex
