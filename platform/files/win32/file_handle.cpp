#include "file_handle.h"

#include <utility>

#include "native_win32.h"

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
    return ::CloseHandle(toHandle(std::exchange(m_handle, kNoHandle))) != 0;
}

} // namespace tonvex
