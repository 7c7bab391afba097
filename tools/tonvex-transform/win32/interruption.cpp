#include "interruption.h"

#include <windows.h>

#include <csignal>

#include "host_system.h"

namespace tonvex::cli {

namespace {

// What cmd.exe and other shells see when a program ends by Ctrl-C, as it does uncaught.
constexpr UINT kEndedByControlC = 0xC000013A; // STATUS_CONTROL_C_EXIT

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a console control handler");

// Called on a thread of its own. Ctrl-C and Ctrl-Break are answered at once and the main
// thread ends the program; for a closing console, logoff or shutdown the program ends as
// soon as the handler returns, so it waits here for the main thread to end it first.
BOOL WINAPI onControl(DWORD event)
{
    const int signal = event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM;
    int none = 0;
    g_signal.compare_exchange_strong(none, signal);
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        ::Sleep(INFINITE);
    return TRUE;
}

} // namespace

void catchInterruptions()
{
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

const std::atomic<int>& interruption()
{
    return g_signal;
}

void endBySignal(int /*signal*/)
{
    restoreConsole();
    ::ExitProcess(kEndedByControlC);
}

} // namespace tonvex::cli
