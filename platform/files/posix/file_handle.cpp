#include "file_handle.h"

#include <unistd.h>

#include <utility>

namespace tonvex {

FileHandle::~FileHandle()
{
    close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, kNoHandle)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kNoHandle);
    }
    return *this;
}

bool FileHandle::close()
{
    if (m_handle == kNoHandle)
        return true;
    // No retry on EINTR: on Linux the descriptor is released either way.
    return ::close(std::exchange(m_handle, kNoHandle)) == 0;
}

} // namespace tonvex
