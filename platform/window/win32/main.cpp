// tonvex.exe [FILE...]: the window, one per user session. The files open as one drop once
// the window shows; a second start hands them to the running window and ends.
#include <chrono>
#include <exception>
#include <memory>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "command_line.h"
#include "engine.h"
#include "instance_channel.h"
#include "main_window.h"
#include "winmm_root_factory.h"

namespace {

// Long enough for a window that is still starting, short enough that a start handed over
// ends within a second.
constexpr std::chrono::milliseconds kHandoverPatience{800};

// COM for the picture decoder and the file dialog, on this thread for the program's life.
class ComApartment {
public:
    ComApartment() : m_ready(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment()
    {
        if (m_ready)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_ready;
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    std::vector<std::string> files = tonvex::win32::commandLineFiles(GetCommandLineW());
    tonvex::win32::InstanceChannel channel;
    switch (channel.claim(files, kHandoverPatience)) {
    case tonvex::win32::InstanceChannel::Claim::HandedOver:
        return 0;
    case tonvex::win32::InstanceChannel::Claim::Unanswered:
        return 1; // a Tonvex window is running but does not answer
    case tonvex::win32::InstanceChannel::Claim::First:
    case tonvex::win32::InstanceChannel::Claim::Alone:
        break;
    }

    const ComApartment com;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        tonvex::win32::MainWindow window(tonvex::winmmRootFactory());
        window.show();
        window.openLater(std::move(files));
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            window.dispatch(message);
        return static_cast<int>(message.wParam);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "Tonvex", MB_OK | MB_ICONERROR);
        return 1;
    }
}
