#pragma once

#include <array>
#include <optional>
#include <string>

#include <windows.h>

#include "view.h"
#include "window_layout.h"

namespace tonvex::win32 {

// What the window shows, in 96-dpi pixels; the painter draws it at the window's dpi.
struct Scene {
    std::array<Face, kButtonCount> faces{};
    // The three labels' texts (UTF-8) and places, indexed by Label.
    std::array<std::string, 3> captions;
    std::array<POINT, 3> labelAt{{{kInputBox.x, kInputBox.y}, {kOutputBox.x, kOutputBox.y}, {kTimeBox.x, kTimeBox.y}}};
    bool aboutShown = false;
    bool closeHeld = false;
    // The control the focus ring surrounds; none while the mouse is in use.
    std::optional<Control> focusRing;

    static std::size_t at(Label label) { return static_cast<std::size_t>(label); }

    // Where a control is now: labels where they were moved, "X" shifted while held.
    Box box(Control control) const;
};

} // namespace tonvex::win32
