#include "instance_channel.h"

#include <algorithm>
#include <thread>

#include "wide_text.h"

namespace tonvex::win32 {
namespace {

// Far more than any list of files a launcher passes; a larger message is refused unread.
constexpr DWORD kMaxPayloadBytes = 16 * 1024 * 1024;
constexpr std::chrono::milliseconds kRetryInterval{25};

} // namespace

InstanceChannel::InstanceChannel(std::wstring name) : m_name(std::move(name)) {}

InstanceChannel::~InstanceChannel()
{
    if (!m_mutex)
        return;
    if (m_owned)
        ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
}

bool InstanceChannel::own()
{
    // Abandoned means its owner ended without releasing it: the mutex is ours now.
    const DWORD wait = WaitForSingleObject(m_mutex, 0);
    m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return m_owned;
}

InstanceChannel::Claim InstanceChannel::claim(const std::vector<std::string>& paths, std::chrono::milliseconds patience)
{
    if (!m_mutex)
        m_mutex = CreateMutexW(nullptr, FALSE, m_name.c_str());
    if (!m_mutex)
        return Claim::Alone;
    if (own())
        return Claim::First;

    const std::wstring payload = encode(paths);
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        switch (deliver(payload, static_cast<DWORD>(std::max<long long>(1, left.count())))) {
        case Delivery::Taken: return Claim::HandedOver;
        case Delivery::Refused: return Claim::Unanswered;
        case Delivery::NoWindow: break;
        }
        // The owner may be ending, or still opening its window.
        if (own())
            return Claim::First;
        if (std::chrono::steady_clock::now() >= deadline)
            return Claim::Unanswered;
        std::this_thread::sleep_for(kRetryInterval);
    }
}

InstanceChannel::Delivery InstanceChannel::deliver(const std::wstring& payload, DWORD timeoutMs)
{
    const HWND window = FindWindowW(kWindowClass, nullptr);
    if (!window)
        return Delivery::NoWindow;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    // This start was the user's doing; let the window come forward in its place.
    AllowSetForegroundWindow(process);
    COPYDATASTRUCT data{};
    data.dwData = kHandoverTag;
    data.cbData = static_cast<DWORD>(payload.size() * sizeof(wchar_t));
    data.lpData = const_cast<wchar_t*>(payload.data());
    DWORD_PTR answer = 0;
    const LRESULT sent = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                             SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &answer);
    if (!sent)
        return IsWindow(window) ? Delivery::Refused : Delivery::NoWindow;
    return static_cast<LRESULT>(answer) == kTaken ? Delivery::Taken : Delivery::Refused;
}

std::wstring InstanceChannel::encode(const std::vector<std::string>& paths)
{
    std::wstring payload;
    for (const std::string& path : paths) {
        payload += widen(path);
        payload += L'\0';
    }
    return payload;
}

std::optional<std::vector<std::string>> InstanceChannel::decode(const COPYDATASTRUCT& data)
{
    if (data.dwData != kHandoverTag || data.cbData % sizeof(wchar_t) != 0 || data.cbData > kMaxPayloadBytes
        || (data.cbData > 0 && !data.lpData))
        return std::nullopt;
    const std::wstring_view payload(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
    if (!payload.empty() && payload.back() != L'\0')
        return std::nullopt;
    std::vector<std::string> paths;
    for (std::size_t start = 0; start < payload.size();) {
        const std::size_t end = payload.find(L'\0', start);
        paths.push_back(narrow(payload.substr(start, end - start)));
        start = end + 1;
    }
    return paths;
}

} // namespace tonvex::win32
