#include "host_system.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
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

} // namespace tonvex::cli
