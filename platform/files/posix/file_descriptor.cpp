#include "file_descriptor.h"

#include <unistd.h>

#include <utility>

namespace tonvex {

FileDescriptor::~FileDescriptor()
{
    close();
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool FileDescriptor::close()
{
    if (m_fd < 0)
        return true;
    // No retry on EINTR: on Linux the descriptor is released either way.
    const bool ok = ::close(std::exchange(m_fd, -1)) == 0;
    return ok;
}

} // namespace tonvex
