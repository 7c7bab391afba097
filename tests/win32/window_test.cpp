// The Win32 window in this process, driven through its messages as Windows would drive it.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>
#include <shlobj.h>

#include "engine.h"
#include "instance_channel.h"
#include "main_window.h"
#include "wide_text.h"

namespace tonvex::win32 {
namespace {

namespace fs = std::filesystem;

// One note on and off: enough for every preset to write an output.
const char kSong[] = "MThd\0\0\0\6\0\0\0\1\0\x60"
                     "MTrk\0\0\0\x0c\0\x90\x3c\x40\x60\x80\x3c\x40\0\xff\x2f\0";

RootFactory noEngine()
{
    return []() -> std::unique_ptr<MusicRoot> { throw EngineError("no engine in tests"); };
}

// The Linux window's outline, row by row: [first, last) visible columns.
std::vector<std::pair<int, int>> linuxOutline()
{
    std::vector<std::pair<int, int>> rows(kHeight, {0, 0});
    const double radius = kCornerSize / 2.0;
    for (int y = kOutline.top; y < kOutline.bottom; ++y) {
        const double centre = y + 0.5;
        const double dy = centre < kOutline.top + radius      ? kOutline.top + radius - centre
                          : centre > kOutline.bottom - radius ? centre - (kOutline.bottom - radius)
                                                              : 0.0;
        int inset = 0;
        if (dy > 0.0)
            inset = std::max(0, static_cast<int>(std::ceil(radius - radius * std::sqrt(1.0 - (dy / radius) * (dy / radius)) - 0.5)));
        rows[static_cast<std::size_t>(y)] = {kOutline.left + inset, kOutline.right - inset};
    }
    return rows;
}

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("tonvex-window-test-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(m_folder);
        m_window = std::make_unique<MainWindow>(noEngine());
        m_window->show();
        pump();
    }

    void TearDown() override
    {
        m_window.reset();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    void pump()
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                m_quit = true;
            else
                m_window->dispatch(message);
        }
    }

    std::string song(const std::wstring& name)
    {
        const fs::path path = m_folder / name;
        std::ofstream(path, std::ios::binary).write(kSong, sizeof(kSong) - 1);
        return narrow(path.wstring());
    }

    HWND control(Control which) const { return m_window->control(which); }

    std::wstring text(HWND hwnd) const
    {
        wchar_t buffer[1024] = {};
        GetWindowTextW(hwnd, buffer, 1024);
        return buffer;
    }

    void dropFiles(const std::vector<std::string>& paths)
    {
        std::wstring list;
        for (const auto& path : paths)
            list += widen(path) + L'\0';
        list += L'\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
        auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        std::memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(memory);
        SendMessageW(control(Control::InputBox), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
        pump();
    }

    void click(Control which, UINT down = WM_LBUTTONDOWN, LPARAM releaseAt = MAKELPARAM(2, 2))
    {
        SendMessageW(control(which), down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(2, 2));
        SendMessageW(control(which), down + 1, 0, releaseAt);
        pump();
    }

    void key(WPARAM vk, bool shift = false, LPARAM flags = 1)
    {
        BYTE keys[256] = {};
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message{GetFocus() ? GetFocus() : m_window->handle(), WM_KEYDOWN, vk, flags, 0, {}};
        m_window->dispatch(message);
        pump();
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }

    std::wstring focusedName() const { return text(GetFocus()); }

    fs::path m_folder;
    std::unique_ptr<MainWindow> m_window;
    bool m_quit = false;
};

TEST_F(Win32WindowTest, OutlineIsTheLinuxOutlinePixelForPixel)
{
    if (GetDpiForWindow(m_window->handle()) != kBaseDpi)
        GTEST_SKIP() << "the outline is compared at 96 dpi";
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(m_window->handle(), region), ERROR);
    std::vector<std::pair<int, int>> shown(kHeight, {0, 0});
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (PtInRegion(region, x, y)) {
                auto& row = shown[static_cast<std::size_t>(y)];
                row = {row.second == 0 ? x : row.first, x + 1};
            }
    DeleteObject(region);
    EXPECT_EQ(shown, linuxOutline());
}

TEST_F(Win32WindowTest, DropsAndHandoversTakeTheLastMidiFileAndNameTheBoxes)
{
    const std::string accented = song(L"S\u00f3ng & \u00fcn\u00eb.mid");
    const std::string upper = song(L"TUNE.MIDI");
    dropFiles({narrow((m_folder / L"notes.txt").wstring()), accented, upper});
    EXPECT_EQ(m_window->caption(Label::DragFile), upper);
    dropFiles({narrow((m_folder / L"notes.txt").wstring())});
    EXPECT_EQ(m_window->caption(Label::DragFile), upper) << "a drop without a MIDI file changes nothing";

    const std::wstring payload = InstanceChannel::encode({accented});
    COPYDATASTRUCT data{InstanceChannel::kHandoverTag + 1, static_cast<DWORD>(payload.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(payload.data())};
    EXPECT_EQ(SendMessageW(m_window->handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), FALSE);
    data.dwData = InstanceChannel::kHandoverTag;
    EXPECT_EQ(SendMessageW(m_window->handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), InstanceChannel::kTaken);
    pump();
    EXPECT_EQ(m_window->caption(Label::DragFile), accented);

    // What a screen reader hears: the title and the whole path, '&' as itself.
    IAccessible* accessible = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(control(Control::InputBox), OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&accessible)), S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    ASSERT_EQ(accessible->get_accName(self, &name), S_OK);
    EXPECT_EQ(std::wstring(name), L"Input file: " + widen(accented));
    SysFreeString(name);
    accessible->Release();
    EXPECT_EQ(text(control(Control::OutputBox)), L"Output file: none");
}

TEST_F(Win32WindowTest, ButtonsActOnAnyMouseButtonAndCloseOnlyOnAClickOfX)
{
    const std::string input = song(L"song.mid");
    dropFiles({input});
    click(buttonControl(4), WM_RBUTTONDOWN);
    const std::string output = narrow((m_folder / L"song_Mirror.mid").wstring());
    EXPECT_EQ(m_window->caption(Label::OutputFile), output);
    EXPECT_TRUE(fs::exists(m_folder / L"song_Mirror.mid"));

    RECT home;
    GetWindowRect(control(Control::Close), &home);
    SendMessageW(control(Control::Close), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    RECT held;
    GetWindowRect(control(Control::Close), &held);
    EXPECT_EQ(held.left - home.left, GetDpiForWindow(m_window->handle()) / kBaseDpi);
    SendMessageW(control(Control::Close), WM_LBUTTONUP, 0, MAKELPARAM(-40, 60));
    pump();
    RECT after;
    GetWindowRect(control(Control::Close), &after);
    EXPECT_EQ(after.left, home.left);
    EXPECT_FALSE(m_window->quitting()) << "a release outside X does not close";

    click(Control::Close);
    EXPECT_TRUE(m_window->quitting());
    EXPECT_TRUE(m_quit);
}

TEST_F(Win32WindowTest, KeyboardWalksTheControlsInReadingOrderAndPresses)
{
    const std::vector<std::wstring> order{
        L"Play input", L"Stop input", L"Input file: none", L"Play output", L"Stop output", L"Mirror",
        L"Reverse",    L"Upside-down", L"Whole tone",      L"Pentatonic", L"About Tonvex", L"Close"};
    for (const auto& name : order) {
        key(VK_TAB);
        EXPECT_EQ(focusedName(), name);
    }
    key(VK_RIGHT);
    EXPECT_EQ(focusedName(), order.front()) << "the walk wraps around";
    key(VK_TAB, true);
    EXPECT_EQ(focusedName(), order.back());
    key(VK_LEFT);
    EXPECT_EQ(focusedName(), L"About Tonvex");

    key(VK_SPACE);
    EXPECT_TRUE(IsWindowVisible(control(Control::AboutPicture)));
    key(VK_TAB);
    EXPECT_EQ(GetFocus(), control(Control::AboutPicture)) << "the controls beneath the picture are out of reach";
    key(VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(control(Control::AboutPicture)));
    EXPECT_EQ(focusedName(), L"About Tonvex");

    dropFiles({song(L"song.mid")});
    SetFocus(control(buttonControl(8)));
    key(VK_RETURN, false, 1 | (1L << 30));
    EXPECT_FALSE(fs::exists(m_folder / L"song_Penta.mid")) << "a held key presses once, not at the repeat rate";
    key(VK_RETURN);
    EXPECT_TRUE(fs::exists(m_folder / L"song_Penta.mid"));
}

TEST_F(Win32WindowTest, LaterStartHandsItsFilesToTheWindowAndTakesOverWhenTheOwnerEnds)
{
    const std::wstring name = L"Local\\Tonvex.Test." + std::to_wstring(GetCurrentProcessId());
    auto owner = std::make_unique<InstanceChannel>(name);
    ASSERT_EQ(owner->claim({}, std::chrono::milliseconds(100)), InstanceChannel::Claim::First);

    const std::string handed = song(L"handed.mid");
    // A mutex belongs to a thread, so a later start is played by another thread.
    auto later = std::async(std::launch::async, [&] {
        return InstanceChannel(name).claim({handed}, std::chrono::milliseconds(2000));
    });
    while (later.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        pump();
    EXPECT_EQ(later.get(), InstanceChannel::Claim::HandedOver);
    pump();
    EXPECT_EQ(m_window->caption(Label::DragFile), handed);

    owner.reset();
    auto next = std::async(std::launch::async, [&] {
        return InstanceChannel(name).claim({}, std::chrono::milliseconds(2000));
    });
    EXPECT_EQ(next.get(), InstanceChannel::Claim::First);
}

} // namespace
} // namespace tonvex::win32
