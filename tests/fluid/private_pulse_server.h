#pragma once

#include <string>
#include <sys/types.h>

#include "temp_dir.h"

namespace tonvex::test {

// A PulseAudio server of the test's own, with a null sink, that the test can kill, freeze and
// start again without touching the test command's server. The engine talks to it through one
// socket and the test's tools through another, so the engine's connection can be dropped alone.
class PrivatePulseServer {
public:
    static constexpr const char* kSink = "tonvex_restart";

    PrivatePulseServer() = default;
    ~PrivatePulseServer();

    PrivatePulseServer(const PrivatePulseServer&) = delete;
    PrivatePulseServer& operator=(const PrivatePulseServer&) = delete;

    // Starts the server, without the engine's socket if asked; false when it does not answer
    // within five seconds.
    bool start(bool engineSocket = true);
    // Kills the server as a crash would.
    void kill();
    // Stops or continues the server's process: a hung server.
    void freeze(bool frozen);
    // Unloads or loads again the engine's socket, as a server that went away and came back
    // looks to the engine; false when pactl fails.
    bool dropEngineSocket();
    bool restoreEngineSocket();

    std::string engineServer() const { return "unix:" + m_dir.file("engine"); }
    std::string controlServer() const { return "unix:" + m_dir.file("control"); }

private:
    // pactl's output on the control socket; false when it fails.
    bool pactl(const std::string& arguments, std::string* output = nullptr) const;
    std::string engineSocketModule() const;

    TempDir m_dir;
    pid_t m_pid = -1;
    std::string m_engineModule;
};

} // namespace tonvex::test
