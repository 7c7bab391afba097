#include "bench_system.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

extern char** environ;

namespace tonvex::bench {

namespace {

constexpr std::size_t kCopyBuffer = 64 * 1024;

// A shell word for `text`.
std::string quoted(const std::string& text)
{
    std::string word = "'";
    for (const char c : text)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

bool copyData(int in, int out, std::vector<char>& buffer)
{
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got <= 0)
            return got == 0;
        if (::write(out, buffer.data(), static_cast<std::size_t>(got)) != got)
            return false;
    }
}

} // namespace

std::filesystem::path makeTemporaryFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

bool plainCopy(const std::string& from, const std::string& to, bool sync)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    std::vector<char> buffer(kCopyBuffer);
    bool ok = in >= 0 && out >= 0 && copyData(in, out, buffer);
    if (ok && sync)
        ok = ::fsync(out) == 0;
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    return ok;
}

bool copyThroughTemporary(const std::string& input, const std::string& temporary, const std::string& output,
                          std::vector<char>& buffer)
{
    const int in = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    bool ok = in >= 0 && out >= 0 && copyData(in, out, buffer);
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ok = ::close(out) == 0 && ok;
    return ok && ::rename(temporary.c_str(), output.c_str()) == 0;
}

bool runQuietly(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long peakMemoryKiB(const std::string& program, const std::vector<std::string>& arguments)
{
    // Through a small probe: a child's ru_maxrss also counts the large process it was
    // started from.
    std::string command = std::string(TONVEX_RSS_PROBE) + " " + quoted(program);
    for (const std::string& argument : arguments)
        command += " " + quoted(argument);
    FILE* probe = ::popen(command.c_str(), "r");
    if (probe == nullptr)
        return -1;
    char line[64] = {};
    std::string lastLine;
    long kib = -1;
    // The probe prints the program's output first, then the figure.
    while (std::fgets(line, sizeof line, probe) != nullptr)
        lastLine = line;
    const int status = ::pclose(probe);
    if (status != 0 || std::sscanf(lastLine.c_str(), "%ld", &kib) != 1)
        return -1;
    return kib;
}

} // namespace tonvex::bench
