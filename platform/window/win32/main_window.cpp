#include "main_window.h"

#include <cstdlib>
#include <stdexcept>
#include <utility>

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include "guarded.h"
#include "instance_channel.h"
#include "resource_ids.h"
#include "wide_text.h"

namespace tonvex::win32 {
namespace {

constexpr const wchar_t* kTitle = L"Tonvex";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimerMs = 10;
// Posted to itself: files handed over by a later start, and the files of this start.
constexpr UINT kHandoverMessage = WM_APP + 1;
constexpr UINT kOpenMessage = WM_APP + 2;

constexpr UINT kAnyButton = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;

// Reading order: the input's buttons and box, the output's buttons, the transformations,
// then the window's own chrome, so that the first Tab never lands on "X". The output box and
// the legends only show text; the about picture is reached only by opening it.
constexpr std::array kTabOrder{
    buttonControl(kPlayInput), buttonControl(kStopInput), Control::InputBox,
    buttonControl(kPlayOutput), buttonControl(kStopOutput), buttonControl(4),
    buttonControl(5), buttonControl(6), buttonControl(7),
    buttonControl(8), Control::AboutZone, Control::Close,
};

bool isModifierKey(WPARAM key)
{
    switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_CAPITAL:
        return true;
    default:
        return false;
    }
}

bool held(int key)
{
    return GetKeyState(key) < 0;
}

void registerClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW; // replaced per window once it exists
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.lpszClassName = kWindowClass;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TONVEX_ICON), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TONVEX_ICON), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&windowClass); // fails harmlessly when a previous window registered it
}

} // namespace

MainWindow::MainWindow(RootFactory createRoot, Transformation transform)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerClass(instance);
    m_hwnd = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kTitle,
                             WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, kWidth, kHeight,
                             nullptr, nullptr, instance, nullptr);
    if (!m_hwnd)
        throw std::runtime_error("cannot create the window");
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::windowProc));

    m_controls = std::make_unique<ControlSet>(m_hwnd, &MainWindow::controlProc, reinterpret_cast<DWORD_PTR>(this));
    m_controller = std::make_unique<MainController>(*this, std::move(createRoot), std::move(transform));
    applyDpi(GetDpiForWindow(m_hwnd));
}

MainWindow::~MainWindow()
{
    if (m_timerOn)
        KillTimer(m_hwnd, kTimer1);
    // The controller's engine goes before the window it might still talk to.
    m_controller.reset();
    m_tearingDown = true;
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    // The controls' descriptions are taken back while the controls still exist.
    m_controls.reset();
    DestroyWindow(m_hwnd);
}

const wchar_t* MainWindow::pathTip(HWND box)
{
    const Label label = box == control(Control::InputBox) ? Label::DragFile : Label::OutputFile;
    m_tipText = widen(m_scene.captions[Scene::at(label)]);
    // A path shown whole needs no tip.
    if (m_painter->showsWhole(m_tipText))
        m_tipText.clear();
    return m_tipText.c_str();
}

void MainWindow::applyDpi(UINT dpi)
{
    m_dpi = dpi ? dpi : kBaseDpi;
    m_painter = std::make_unique<WindowPainter>(m_dpi);
    m_frameDc.reset();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = scaled(kWidth, m_dpi);
    info.bmiHeader.biHeight = -scaled(kHeight, m_dpi);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_frameBitmap.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    m_frameDc = std::make_unique<MemoryDc>(m_frameBitmap.get());
    SetWindowPos(m_hwnd, nullptr, 0, 0, scaled(kWidth, m_dpi), scaled(kHeight, m_dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int i = 0; i < kControlCount; ++i)
        layOut(static_cast<Control>(i));
    Form_Load();
    refresh();
}

void MainWindow::layOut(Control which)
{
    m_controls->place(which, m_scene.box(which), m_dpi);
}

void MainWindow::Form_Load()
{
    // CreateRoundRectRgn leaves out the last column and row of the rectangle it is given, so
    // it is given one more of each: columns 5 to 475 and rows 1 to 319 show, as on Linux.
    const HRGN outline = CreateRoundRectRgn(
        scaled(kOutline.left, m_dpi), scaled(kOutline.top, m_dpi), scaled(kOutline.right, m_dpi) + 1,
        scaled(kOutline.bottom, m_dpi) + 1, scaled(kCornerSize, m_dpi), scaled(kCornerSize, m_dpi));
    // The region belongs to the window from here on.
    SetWindowRgn(m_hwnd, outline, TRUE);
}

void MainWindow::show()
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(m_hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    const int width = scaled(kWidth, m_dpi);
    const int height = scaled(kHeight, m_dpi);
    SetWindowPos(m_hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(m_hwnd, SW_SHOW);
    SetForegroundWindow(m_hwnd);
    // The window holds the focus at start, so the first Tab goes to the first control.
    SetFocus(m_hwnd);
    UpdateWindow(m_hwnd);
}

void MainWindow::dispatch(MSG& message)
{
    if (message.message == WM_KEYDOWN && (message.hwnd == m_hwnd || IsChild(m_hwnd, message.hwnd))
        && keyDown(message.wParam, message.lParam))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void MainWindow::openLater(std::vector<std::string> paths)
{
    m_startFiles = std::move(paths);
    if (!m_startFiles.empty())
        PostMessageW(m_hwnd, kOpenMessage, 0, 0);
}

// ---- View ----

std::string MainWindow::caption(Label label) const
{
    return m_scene.captions[Scene::at(label)];
}

void MainWindow::setCaption(Label label, const std::string& text)
{
    std::string& caption = m_scene.captions[Scene::at(label)];
    // Every tick sets the time; the window redraws only when the shown second moves.
    if (caption == text)
        return;
    caption = text;
    m_controls->name(label, text);
    refresh();
}

void MainWindow::moveLabel(Label label, int x, int y)
{
    POINT& at = m_scene.labelAt[Scene::at(label)];
    if (at.x == x && at.y == y)
        return;
    at = POINT{x, y};
    const Control which = label == Label::DragFile     ? Control::InputBox
                          : label == Label::OutputFile ? Control::OutputBox
                                                       : Control::Time;
    layOut(which);
    refresh();
}

void MainWindow::setFace(int button, Face face)
{
    if (button < 0 || button >= kButtonCount)
        return;
    Face& shown = m_scene.faces[static_cast<std::size_t>(button)];
    if (shown == face)
        return;
    shown = face;
    refresh();
}

void MainWindow::setTimerEnabled(bool enabled)
{
    if (enabled && !m_quitting)
        m_timerOn = SetTimer(m_hwnd, kTimer1, kTimerMs, nullptr) != 0;
    else if (m_timerOn) {
        KillTimer(m_hwnd, kTimer1);
        m_timerOn = false;
    }
}

void MainWindow::processEvents()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // For the main loop, once the work that yielded here has unwound.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        dispatch(message);
    }
}

void MainWindow::showMessage(const std::string& text)
{
    MessageBoxW(m_hwnd, widen(text).c_str(), kTitle, MB_OK | MB_ICONWARNING);
}

void MainWindow::quit()
{
    if (m_quitting)
        return;
    m_quitting = true;
    setTimerEnabled(false);
    ShowWindow(m_hwnd, SW_HIDE);
    // Posted, so that a run or a load that is still on the stack unwinds first.
    PostQuitMessage(0);
}

// ---- Painting ----

void MainWindow::refresh()
{
    m_frameStale = true;
    RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

HDC MainWindow::frame()
{
    if (m_frameStale && m_frameDc && m_frameDc->get()) {
        const HWND focused = GetFocus();
        m_scene.focusRing = m_cueVisible ? m_controls->find(focused) : std::nullopt;
        m_painter->paint(m_frameDc->get(), m_scene);
        m_frameStale = false;
    }
    return m_frameDc ? m_frameDc->get() : nullptr;
}

void MainWindow::paintInvalidArea(HWND hwnd)
{
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(hwnd, &ps);
    paint(hwnd, dc, ps.rcPaint);
    EndPaint(hwnd, &ps);
}

void MainWindow::paint(HWND hwnd, HDC dc, const RECT& area)
{
    const HDC source = frame();
    if (!source)
        return;
    // Every control shows its part of the one picture of the window.
    POINT origin{0, 0};
    if (hwnd != m_hwnd)
        MapWindowPoints(hwnd, m_hwnd, &origin, 1);
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, source, origin.x + area.left,
           origin.y + area.top, SRCCOPY);
}

// ---- Window procedures ----

LRESULT CALLBACK MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->onMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        report("window message", error.what());
    } catch (...) {
        report("window message", "unknown error");
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, &MainWindow::controlProc, id);
    if (reinterpret_cast<MainWindow*>(self)->m_tearingDown)
        return DefSubclassProc(hwnd, message, wParam, lParam);
    try {
        return reinterpret_cast<MainWindow*>(self)->onControlMessage(static_cast<Control>(id), hwnd, message, wParam,
                                                                     lParam);
    } catch (const std::exception& error) {
        report("control message", error.what());
    } catch (...) {
        report("control message", "unknown error");
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paintInvalidArea(m_hwnd);
        return 0;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        paint(item->hwndItem, item->hDC, item->rcItem);
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == kTimer1)
            guarded("timer tick", [this] { m_controller->Timer1_Timer(); });
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        Form_MouseDown(message == WM_LBUTTONDOWN);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (m_cueVisible)
            refresh();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focused = GetFocus();
            if (focused && IsChild(m_hwnd, focused))
                m_lastFocus = focused;
        } else {
            SetFocus(m_lastFocus && IsWindowVisible(m_lastFocus) ? m_lastFocus : m_hwnd);
        }
        return 0;
    case WM_DPICHANGED: {
        applyDpi(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(m_hwnd, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_NOTIFY: {
        auto* tip = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (tip->hdr.hwndFrom == m_controls->tips() && tip->hdr.code == TTN_GETDISPINFOW)
            tip->lpszText = const_cast<wchar_t*>(pathTip(reinterpret_cast<HWND>(tip->hdr.idFrom)));
        return 0;
    }
    case WM_COPYDATA: {
        auto paths = InstanceChannel::decode(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (!paths)
            return FALSE;
        // Answered at once: the later start waits for this answer, not for the drop.
        m_handovers.push_back(std::move(*paths));
        PostMessageW(m_hwnd, kHandoverMessage, 0, 0);
        return InstanceChannel::kTaken;
    }
    case kHandoverMessage:
        takeHandover();
        return 0;
    case kOpenMessage:
        drop(std::exchange(m_startFiles, {}));
        return 0;
    case WM_CLOSE:
        // Closed by the desktop (Alt+F4, the taskbar): do what "X" does.
        guarded("close", [this] { m_controller->Shut_Click(); });
        return 0;
    case WM_ENDSESSION:
        if (wParam)
            guarded("close", [this] { m_controller->Shut_Click(); });
        return 0;
    default:
        return DefWindowProcW(m_hwnd, message, wParam, lParam);
    }
}

LRESULT MainWindow::onControlMessage(Control which, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paintInvalidArea(hwnd);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (m_cueVisible)
            refresh();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        mousePress(which, hwnd, true, lParam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        mousePress(which, hwnd, false, lParam);
        return 0;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        mousePress(which, hwnd, false, lParam);
        return TRUE;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        mouseRelease(which, hwnd, message == WM_LBUTTONUP, wParam, lParam);
        return 0;
    case WM_XBUTTONUP:
        mouseRelease(which, hwnd, false, wParam, lParam);
        return TRUE;
    case WM_CAPTURECHANGED:
        if (which == Control::Close && m_scene.closeHeld && reinterpret_cast<HWND>(lParam) != hwnd) {
            m_scene.closeHeld = false;
            layOut(Control::Close);
            refresh();
        }
        if (m_leftDownOn == which)
            m_leftDownOn.reset();
        return 0;
    case WM_KEYUP:
    case WM_CHAR:
        // The keys are the window's (keyDown); a BUTTON must not click on its own.
        return 0;
    case WM_DROPFILES:
        if (which == Control::InputBox) {
            const auto dropped = reinterpret_cast<HDROP>(wParam);
            std::vector<std::string> paths;
            const UINT count = DragQueryFileW(dropped, 0xffffffff, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                std::wstring path(DragQueryFileW(dropped, i, nullptr, 0), L'\0');
                DragQueryFileW(dropped, i, path.data(), static_cast<UINT>(path.size() + 1));
                paths.push_back(narrow(path));
            }
            DragFinish(dropped);
            drop(paths);
        }
        return 0;
    default:
        break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// ---- Mouse ----

void MainWindow::Form_MouseDown(bool left)
{
    POINT at;
    GetCursorPos(&at);
    ScreenToClient(m_hwnd, &at);
    setCueVisible(false);
    if (swallowsPress(at))
        return;
    SetFocus(m_hwnd);
    if (!left)
        return;
    // The window system then moves the window with the mouse until the button is released.
    ReleaseCapture();
    SendMessageW(m_hwnd, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void MainWindow::mousePress(Control which, HWND hwnd, bool left, LPARAM at)
{
    setCueVisible(false);
    POINT inWindow{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    MapWindowPoints(hwnd, m_hwnd, &inWindow, 1);
    if (swallowsPress(inWindow))
        return;
    if (const int button = buttonIndex(which); button >= 0) {
        SetFocus(hwnd);
        guarded("button press", [this, button] { m_controller->ImgBut_MouseDown(button); });
        return;
    }
    switch (which) {
    case Control::Close:
        SetFocus(hwnd);
        if (!m_scene.closeHeld) {
            m_scene.closeHeld = true;
            layOut(Control::Close);
            refresh();
        }
        break;
    case Control::InputBox:
    case Control::AboutZone:
        if (left)
            SetFocus(hwnd);
        break;
    case Control::AboutPicture:
        break;
    default:
        return; // texts keep their presses and do nothing
    }
    if (left)
        m_leftDownOn = which;
    SetCapture(hwnd);
}

void MainWindow::mouseRelease(Control which, HWND hwnd, bool left, WPARAM buttons, LPARAM at)
{
    POINT inWindow{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    MapWindowPoints(hwnd, m_hwnd, &inWindow, 1);
    // A click is judged against the control's own place, not the one "X" is shifted to while
    // held.
    const Box home = which == Control::Close ? kCloseBox : m_scene.box(which);
    const RECT area = scaled(home, m_dpi);
    const bool clicked = left && m_leftDownOn == which && PtInRect(&area, inWindow);
    if (left)
        m_leftDownOn.reset();
    if (!(buttons & kAnyButton)) {
        if (GetCapture() == hwnd)
            ReleaseCapture();
        if (which == Control::Close && m_scene.closeHeld) {
            m_scene.closeHeld = false;
            layOut(Control::Close);
            refresh();
        }
    }
    if (clicked)
        click(which);
}

bool MainWindow::swallowsPress(POINT at)
{
    // The second press of a double-click whose first click closed the about picture would
    // otherwise press whatever lay beneath it.
    if (!m_closingClickAt)
        return false;
    const POINT first = *m_closingClickAt;
    m_closingClickAt.reset();
    const RECT picture = scaled(kAboutPicture, m_dpi);
    return GetMessageTime() - static_cast<LONG>(m_closingClickTime) <= static_cast<LONG>(GetDoubleClickTime())
           && std::abs(at.x - first.x) <= GetSystemMetricsForDpi(SM_CXDOUBLECLK, m_dpi) / 2
           && std::abs(at.y - first.y) <= GetSystemMetricsForDpi(SM_CYDOUBLECLK, m_dpi) / 2
           && PtInRect(&picture, at);
}

void MainWindow::click(Control which)
{
    switch (which) {
    case Control::InputBox: openInputDialog(); break;
    case Control::Close: guarded("close", [this] { m_controller->Shut_Click(); }); break;
    case Control::AboutZone: About_Click(); break;
    case Control::AboutPicture: {
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(m_hwnd, &at);
        ImgAbout_Click();
        m_closingClickAt = at;
        m_closingClickTime = static_cast<DWORD>(GetMessageTime());
        break;
    }
    default: break;
    }
}

// ---- Keyboard ----

bool MainWindow::keyDown(WPARAM key, LPARAM flags)
{
    if (!isModifierKey(key))
        setCueVisible(true);
    const bool repeated = (flags & (1L << 30)) != 0;
    const bool chord = held(VK_CONTROL) || held(VK_MENU) || held(VK_LWIN) || held(VK_RWIN);
    switch (key) {
    case VK_TAB:
        if (chord)
            return false;
        moveFocus(!held(VK_SHIFT));
        return true;
    case VK_LEFT:
    case VK_UP:
        moveFocus(false);
        return true;
    case VK_RIGHT:
    case VK_DOWN:
        moveFocus(true);
        return true;
    case VK_ESCAPE:
        ImgAbout_Click();
        return true;
    case VK_SPACE:
    case VK_RETURN: {
        const std::optional<Control> focused = m_controls->find(GetFocus());
        if (chord || !focused)
            return false;
        // A held key presses once, not at the repeat rate.
        if (!repeated)
            press(*focused);
        return true;
    }
    default:
        return false;
    }
}

void MainWindow::press(Control which)
{
    if (const int button = buttonIndex(which); button >= 0) {
        guarded("button press", [this, button] { m_controller->ImgBut_MouseDown(button); });
        return;
    }
    if (which == Control::AboutPicture)
        ImgAbout_Click();
    else
        click(which);
}

void MainWindow::moveFocus(bool forward)
{
    // While the about picture is shown, the controls beneath it are out of reach.
    if (m_scene.aboutShown) {
        SetFocus(control(Control::AboutPicture));
        return;
    }
    const std::optional<Control> focused = m_controls->find(GetFocus());
    const int count = static_cast<int>(kTabOrder.size());
    int next = forward ? 0 : count - 1;
    for (int i = 0; i < count; ++i) {
        if (focused == kTabOrder[static_cast<std::size_t>(i)]) {
            next = (i + (forward ? 1 : count - 1)) % count;
            break;
        }
    }
    SetFocus(control(kTabOrder[static_cast<std::size_t>(next)]));
    refresh();
}

void MainWindow::setCueVisible(bool visible)
{
    if (visible == m_cueVisible)
        return;
    m_cueVisible = visible;
    refresh();
}

// ---- About view, files ----

void MainWindow::About_Click()
{
    if (m_scene.aboutShown)
        return;
    m_focusBefore = GetFocus();
    m_scene.aboutShown = true;
    SetWindowPos(control(Control::AboutPicture), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetFocus(control(Control::AboutPicture));
    refresh();
}

void MainWindow::ImgAbout_Click()
{
    if (!m_scene.aboutShown)
        return;
    m_scene.aboutShown = false;
    ShowWindow(control(Control::AboutPicture), SW_HIDE);
    const bool back = m_focusBefore && IsWindow(m_focusBefore) && IsWindowVisible(m_focusBefore);
    SetFocus(back ? m_focusBefore : m_hwnd);
    refresh();
}

void MainWindow::openInputDialog()
{
    // During a run the chosen file would be refused anyway, and the run would wait for the
    // dialog.
    if (m_quitting || m_controller->transforming())
        return;
    std::wstring file = widen(m_scene.captions[Scene::at(Label::DragFile)]);
    file.resize(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_hwnd;
    dialog.lpstrFilter = L"MIDI files (*.mid, *.midi)\0*.mid;*.midi\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = L"Open a MIDI file";
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR
                   | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&dialog))
        return;
    drop({narrow(file.c_str())});
}

void MainWindow::drop(const std::vector<std::string>& paths)
{
    if (m_quitting || paths.empty())
        return;
    guarded("drop", [this, &paths] { m_controller->DragFile_OLEDragDrop(paths); });
}

void MainWindow::takeHandover()
{
    while (!m_handovers.empty() && !m_quitting) {
        const std::vector<std::string> paths = std::move(m_handovers.front());
        m_handovers.pop_front();
        if (IsIconic(m_hwnd))
            ShowWindow(m_hwnd, SW_RESTORE);
        SetForegroundWindow(m_hwnd);
        drop(paths);
    }
}

} // namespace tonvex::win32
