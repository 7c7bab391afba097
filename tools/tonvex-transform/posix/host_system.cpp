#include "host_system.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <thread>

namespace tonvex::cli {

unsigned processorCount()
{
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(std::thread::hardware_concurrency(), 1u);
}

bool isTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) == 1;
}

void useUtf8Output() {}

void restoreConsole() {}

std::string openFailure(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::generic_category().message(errno);
    ::close(fd);
    return {};
}

void clearFileError()
{
    errno = 0;
}

std::string fileError()
{
    const int error = errno;
    return error != 0 ? std::generic_category().message(error) : std::string();
}

} // namespace tonvex::cli
