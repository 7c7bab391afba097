#include "temporary_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace tonvex {

namespace {

constexpr mode_t kCreateMode = 0666; // as open(..., O_CREAT, 0666) would, before the umask

// The process umask; umask() can only be read by setting it, so it is put back at once.
mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

TemporaryFile::TemporaryFile(const std::string& target) : m_target(target)
{
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = target.substr(0, nameStart);
    // A name near the file-name limit leaves no room for the hidden prefix and random tail.
    for (const std::string& pattern : {folder + "." + target.substr(nameStart) + ".XXXXXX", folder + ".tonvex.XXXXXX"}) {
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        m_file = FileDescriptor(::mkostemp(name.data(), O_CLOEXEC));
        if (m_file.isOpen()) {
            m_path = name.data();
            return;
        }
        if (errno != ENAMETOOLONG)
            return;
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
    if (::fchmod(m_file.get(), kCreateMode & ~currentUmask()) != 0)
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
