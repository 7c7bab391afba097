#include "temporary_file.h"

#include <utility>

#include "temporary_name.h"

namespace tonvex {

namespace {

constexpr int kAttempts = 100;

} // namespace

TemporaryFile::TemporaryFile(const std::string& target) : m_target(target) {}

bool TemporaryFile::create()
{
    if (m_file.isOpen())
        return true;
    Attempt last = createNamed(false);
    // A name near the file-name limit leaves no room for the hidden prefix and random tail.
    if (last == Attempt::NameTooLong)
        last = createNamed(true);
    return last == Attempt::Created;
}

TemporaryFile::Attempt TemporaryFile::createNamed(bool shortForm)
{
    Attempt last = Attempt::NameTaken;
    for (int attempt = 0; attempt < kAttempts && last == Attempt::NameTaken; ++attempt) {
        std::string name = temporaryName(m_target, shortForm);
        last = createExclusive(name);
        if (last == Attempt::Created)
            m_path = std::move(name);
    }
    return last;
}

} // namespace tonvex
