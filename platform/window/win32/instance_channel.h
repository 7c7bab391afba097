#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace tonvex::win32 {

// The class of the Tonvex window, by which a later start finds it.
inline constexpr const wchar_t* kWindowClass = L"Tonvex.Window";

// One Tonvex window per user session: the first start owns a named mutex in the session's
// namespace; a later start finds the window by its class and hands it its files in a
// WM_COPYDATA message, then ends.
class InstanceChannel {
public:
    enum class Claim {
        First,      // this process owns the mutex: run the window
        HandedOver, // the running window took the files
        Unanswered, // a window owns the mutex but did not take the files in time
        Alone,      // no mutex can be made: run the window without one
    };

    // WM_COPYDATA's dwData for a handover, and the window's answer when it takes one.
    static constexpr ULONG_PTR kHandoverTag = 0x78766e54; // "Tnvx"
    static constexpr LRESULT kTaken = 0x78766e54;

    // `name` names the mutex; tests use their own.
    explicit InstanceChannel(std::wstring name = L"Local\\Tonvex.Window");
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Owns the mutex, or hands `paths` to the window of the process that owns it, waiting up
    // to `patience` for a window that is still starting. Lets that window come to the front.
    Claim claim(const std::vector<std::string>& paths, std::chrono::milliseconds patience);

    // The data a handover carries: each path in UTF-16, ended by a NUL.
    static std::wstring encode(const std::vector<std::string>& paths);
    // The paths of a handover message; nullopt for a message that is none.
    static std::optional<std::vector<std::string>> decode(const COPYDATASTRUCT& data);

private:
    bool own();
    enum class Delivery { NoWindow, Taken, Refused };
    static Delivery deliver(const std::wstring& payload, DWORD timeoutMs);

    std::wstring m_name;
    HANDLE m_mutex = nullptr;
    bool m_owned = false;
};

} // namespace tonvex::win32
