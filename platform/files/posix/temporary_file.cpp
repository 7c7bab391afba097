#include "temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "temporary_name.h"

namespace tonvex {

namespace {

// Created as any new file is, so the umask (or the folder's default ACL) gives the final
// permissions without a umask() or fchmod() call per file.
constexpr mode_t kCreateMode = 0666;
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
constexpr int kAttempts = 100;

} // namespace

TemporaryFile::TemporaryFile(const std::string& target) : m_target(target) {}

bool TemporaryFile::create()
{
    if (m_file.isOpen())
        return true;
    if (createNamed(false))
        return true;
    // A name near the file-name limit leaves no room for the hidden prefix and random tail.
    return errno == ENAMETOOLONG && createNamed(true);
}

bool TemporaryFile::createNamed(bool shortForm)
{
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::string name = temporaryName(m_target, shortForm);
        m_file = FileHandle(::open(name.c_str(), kCreateFlags, kCreateMode));
        if (m_file.isOpen()) {
            m_path = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
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
