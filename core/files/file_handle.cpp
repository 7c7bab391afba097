#include "file_handle.h"

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

} // namespace tonvex
