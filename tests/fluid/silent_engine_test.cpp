// The engine where no sound server and no sound card can be reached, in a child process so
// that the environment it sees is its own from the start.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "smf_builder.h"

namespace tonvex::test {
namespace {

struct ChildResult {
    bool finished = false;
    int exitCode = -1;
    std::string output;
};

// Runs the program with exactly `env`, collecting stdout and stderr; kills it after `limit`.
ChildResult runChild(const std::vector<std::string>& args, const std::vector<std::string>& env,
                     std::chrono::seconds limit)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<char*> argv, envp;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    ChildResult result;
    if (spawned != 0) {
        ::close(fds[0]);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    for (;;) {
        pollfd pfd{fds[0], POLLIN, 0};
        if (::poll(&pfd, 1, 50) > 0) {
            const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
            if (got > 0) {
                result.output.append(buffer, static_cast<std::size_t>(got));
                continue;
            }
            break; // end of output: the child is exiting
        }
        if (std::chrono::steady_clock::now() > deadline)
            break;
    }
    ::close(fds[0]);
    int status = 0;
    while (std::chrono::steady_clock::now() <= deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            result.finished = true;
            result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return result;
}

TEST(SilentEngine, RunsEveryStepQuietlyWithoutSoundServerOrCard)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tonvex-silent-" + std::to_string(::getpid()));
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all);
    const std::string song = writeTempFile(
        "silent.mid",
        smfFile({TrackBuilder().noteOn(0, 60, 100).at(96).noteOff(0, 60).end().chunk()}));
    std::ofstream(dir / "asound.conf") << "# no devices\n";

    const std::vector<std::string> env = {
        "HOME=" + dir.string(),
        "XDG_CACHE_HOME=" + (dir / "cache").string(),
        "XDG_RUNTIME_DIR=" + (dir / "run").string(),
        "PULSE_SERVER=unix:" + (dir / "no-such-socket").string(),
        "ALSA_CONFIG_PATH=" + (dir / "asound.conf").string(),
        "PATH=/usr/bin:/bin",
    };
    const ChildResult child = runChild({TONVEX_SILENT_ENGINE, song}, env, std::chrono::seconds(30));
    ASSERT_TRUE(child.finished) << "the engine hung without a sound server";
    EXPECT_EQ(child.exitCode, 0) << "step " << child.exitCode << " misbehaved";
    EXPECT_EQ(child.output, "") << "the engine printed to the terminal";

    std::ifstream log(dir / "cache" / "tonvex" / "tonvex.log");
    const std::string logged((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(logged.find("PulseAudio"), std::string::npos) << logged;
    EXPECT_NE(logged.find("ALSA"), std::string::npos) << logged;
    std::error_code error;
    fs::remove_all(dir, error);
}

} // namespace
} // namespace tonvex::test
