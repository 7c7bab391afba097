#include "temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tonvex {

namespace {

// Created as any new file is, so the umask (or the folder's default ACL) gives the final
// permissions without a umask() or fchmod() call per file.
constexpr mode_t kCreateMode = 0666;
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;

} // namespace

TemporaryFile::Attempt TemporaryFile::createExclusive(const std::string& name)
{
    m_file = FileHandle(::open(name.c_str(), kCreateFlags, kCreateMode));
    if (m_file.isOpen())
        return Attempt::Created;
    switch (errno) {
    case EEXIST:
        return Attempt::NameTaken;
    case ENAMETOOLONG:
        return Attempt::NameTooLong;
    default:
        return Attempt::Failed;
    }
}

TemporaryFile::~TemporaryFile()
{
    m_file.close();
    if (!m_committed && !m_path.empty())
        ::unlink(m_path.c_str());
}

bool TemporaryFile::commit()
{
    if (!m_file.isOpen())
        return false;
    // No fsync: the rename alone keeps a half-written file from ever standing at the target,
    // and waiting for a large file to reach the disk would cost more than writing it.
    // close() still reports a late write error.
    if (!m_file.close())
        return false;
    if (::rename(m_path.c_str(), m_target.c_str()) != 0)
        return false;
    m_committed = true;
    return true;
}

} // namespace tonvex
