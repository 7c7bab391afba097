// rss_probe PROGRAM ARGS...: runs PROGRAM and prints its peak resident set in KiB.
//
// A child's ru_maxrss also counts the memory of the process it was started from (Linux
// records the old address space's peak at exec), so the benchmark measures through this
// small process instead of spawning the tool from its own large one.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: rss_probe PROGRAM ARGS...\n");
        return 2;
    }
    const pid_t child = ::fork();
    if (child < 0)
        return 2;
    if (child == 0) {
        ::execv(argv[1], argv + 1);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child)
        return 2;
    std::printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
