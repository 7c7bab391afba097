#include "private_pulse_server.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tonvex::test {

PrivatePulseServer::~PrivatePulseServer()
{
    kill();
}

std::string PrivatePulseServer::engineSocketModule() const
{
    return "module-native-protocol-unix auth-anonymous=1 socket=" + m_dir.file("engine");
}

bool PrivatePulseServer::start(bool engineSocket)
{
    // Its own runtime folder: a second server beside the test command's would find that
    // one's pid file and refuse to start.
    const std::string runtime = "XDG_RUNTIME_DIR=" + m_dir.path().string();
    const std::string control = "module-native-protocol-unix auth-anonymous=1 socket=" + m_dir.file("control");
    const std::string engine = engineSocketModule();
    const std::string sink = std::string("module-null-sink sink_name=") + kSink;
    const char* argv[] = {"env", runtime.c_str(), "pulseaudio", "--daemonize=no", "-n",
                          "--exit-idle-time=-1", "--use-pid-file=no", "-L", control.c_str(),
                          "-L", sink.c_str(), "-L", engine.c_str(), nullptr};
    if (!engineSocket)
        argv[11] = nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = m_dir.file("pulse.log");
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int spawned = posix_spawnp(&m_pid, "env", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        m_pid = -1;
        return false;
    }
    m_engineModule = "2"; // the third module loaded
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        if (pactl("info"))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void PrivatePulseServer::kill()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

void PrivatePulseServer::freeze(bool frozen)
{
    if (m_pid > 0)
        ::kill(m_pid, frozen ? SIGSTOP : SIGCONT);
}

bool PrivatePulseServer::dropEngineSocket()
{
    return pactl("unload-module " + m_engineModule);
}

bool PrivatePulseServer::restoreEngineSocket()
{
    std::string index;
    if (!pactl("load-module " + engineSocketModule(), &index) || index.empty())
        return false;
    m_engineModule = index;
    return true;
}

bool PrivatePulseServer::pactl(const std::string& arguments, std::string* output) const
{
    const std::string command = "pactl --server=" + controlServer() + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return false;
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        text += buffer;
    const int status = ::pclose(pipe);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (output)
        *output = text;
    return status == 0;
}

} // namespace tonvex::test
