#include "temporary_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <random>
#include <string_view>

namespace tonvex {

namespace {

// Created as any new file is, so the umask (or the folder's default ACL) gives the final
// permissions without a umask() or fchmod() call per file.
constexpr mode_t kCreateMode = 0666;
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
constexpr int kAttempts = 100;

constexpr std::string_view kNameLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::string_view kRandomTail = "XXXXXX";

// Fills the pattern's trailing X's with random letters; one generator per thread, seeded once,
// so names cost no system call.
void randomizeTail(std::string& name)
{
    thread_local std::minstd_rand generator(std::random_device{}());
    std::uniform_int_distribution<std::size_t> pick(0, kNameLetters.size() - 1);
    for (std::size_t i = name.size() - kRandomTail.size(); i < name.size(); ++i)
        name[i] = kNameLetters[pick(generator)];
}

} // namespace

TemporaryFile::TemporaryFile(const std::string& target) : m_target(target) {}

bool TemporaryFile::create()
{
    if (m_file.isOpen())
        return true;
    const std::size_t slash = m_target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string folder = m_target.substr(0, nameStart);
    // A name near the file-name limit leaves no room for the hidden prefix and random tail.
    if (createFrom(folder + "." + m_target.substr(nameStart) + "." + std::string(kRandomTail)))
        return true;
    return errno == ENAMETOOLONG && createFrom(folder + ".tonvex." + std::string(kRandomTail));
}

bool TemporaryFile::createFrom(const std::string& pattern)
{
    std::string name = pattern;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        randomizeTail(name);
        m_file = FileDescriptor(::open(name.c_str(), kCreateFlags, kCreateMode));
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
