#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include "accessible_notes.h"
#include "view.h"
#include "window_layout.h"

namespace tonvex::win32 {

// The window's controls as child windows: an owner-drawn BUTTON or STATIC each, whose text
// is the name the system's accessibility gives screen readers, with their descriptions and
// the tooltips of the two path boxes.
class ControlSet {
public:
    // Creates every control in `parent`, subclassed with `proc` (its id the Control, its data
    // `data`); throws std::runtime_error when Windows refuses.
    ControlSet(HWND parent, SUBCLASSPROC proc, DWORD_PTR data);
    // Takes the descriptions back while the controls still exist.
    ~ControlSet();
    ControlSet(const ControlSet&) = delete;
    ControlSet& operator=(const ControlSet&) = delete;

    HWND operator[](Control which) const { return m_windows[static_cast<std::size_t>(which)]; }
    // The control of a window; nullopt for a window that is none of them.
    std::optional<Control> find(HWND hwnd) const;
    // The tooltip window, which asks the parent for its text (TTN_GETDISPINFO, the box as id).
    HWND tips() const { return m_tips; }

    // Moves a control to `box` on a screen of `dpi`.
    void place(Control which, const Box& box, UINT dpi);
    // Names a path box or the time display after the text it shows.
    void name(Label label, const std::string& text);

private:
    void createTips(HWND parent);
    void describe();

    std::array<HWND, kControlCount> m_windows{};
    HWND m_tips = nullptr;
    std::unique_ptr<AccessibleNotes> m_notes;
};

} // namespace tonvex::win32
