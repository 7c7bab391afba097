#pragma once

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "control_set.h"
#include "gdi_object.h"
#include "main_controller.h"
#include "memory_dc.h"
#include "scene.h"
#include "view.h"
#include "window_painter.h"

namespace tonvex::win32 {

// The borderless, skinned window Main. Every control is a child window of its own (an
// owner-drawn BUTTON or STATIC whose text is its accessible name), painted from one picture
// of the whole window, so that screen readers name and press them through the system's own
// accessibility.
class MainWindow final : public View {
public:
    // Creates the window, hidden; throws std::runtime_error when Windows refuses to.
    explicit MainWindow(RootFactory createRoot, Transformation transform = tonvex::MIRROR);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return m_hwnd; }
    HWND control(Control which) const { return (*m_controls)[which]; }
    MainController& controller() { return *m_controller; }
    bool quitting() const { return m_quitting; }

    // Shows the window centred on the primary monitor.
    void show();
    // Gives the window's keyboard handling the first look at a message, then dispatches it.
    void dispatch(MSG& message);
    // Drops `paths` together once the message loop runs.
    void openLater(std::vector<std::string> paths);

    std::string caption(Label label) const override;
    void setCaption(Label label, const std::string& text) override;
    void moveLabel(Label label, int x, int y) override;
    void setFace(int button, Face face) override;
    void setTimerEnabled(bool enabled) override;
    void processEvents() override;
    void showMessage(const std::string& text) override;
    void quit() override;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onControlMessage(Control which, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void applyDpi(UINT dpi);
    void layOut(Control which);
    void Form_Load();
    void refresh();
    HDC frame();
    void paint(HWND hwnd, HDC dc, const RECT& area);
    void paintInvalidArea(HWND hwnd); // WM_PAINT, for the window and each control

    void Form_MouseDown(bool left);
    void mousePress(Control which, HWND hwnd, bool left, LPARAM at);
    void mouseRelease(Control which, HWND hwnd, bool left, WPARAM buttons, LPARAM at);
    bool swallowsPress(POINT at);
    void click(Control which);
    void press(Control which);
    bool keyDown(WPARAM key, LPARAM flags);
    void moveFocus(bool forward);
    void setCueVisible(bool visible);

    void About_Click();
    void ImgAbout_Click();
    void openInputDialog();
    void drop(const std::vector<std::string>& paths);
    void takeHandover();
    const wchar_t* pathTip(HWND box);

    HWND m_hwnd = nullptr;
    std::unique_ptr<ControlSet> m_controls;
    std::wstring m_tipText; // the whole path over a path box that shows it shortened
    UINT m_dpi = 96;
    std::unique_ptr<WindowPainter> m_painter;
    GdiObject<HBITMAP> m_frameBitmap;
    std::unique_ptr<MemoryDc> m_frameDc;
    bool m_frameStale = true;

    Scene m_scene;
    bool m_cueVisible = false;
    std::optional<Control> m_leftDownOn;
    HWND m_focusBefore = nullptr; // where the focus goes back when the about picture closes
    HWND m_lastFocus = nullptr;   // where it goes back when the window is active again
    // The click that closed the about picture, whose double-click must not press beneath it.
    std::optional<POINT> m_closingClickAt;
    DWORD m_closingClickTime = 0;

    std::vector<std::string> m_startFiles;
    std::deque<std::vector<std::string>> m_handovers;
    bool m_timerOn = false;
    bool m_quitting = false;
    bool m_tearingDown = false; // the controls' messages go unhandled from here on
    std::unique_ptr<MainController> m_controller;
};

} // namespace tonvex::win32
