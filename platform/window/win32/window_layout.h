#pragma once

#include <array>

#include <windows.h>

#include "skin_layout.h"
#include "view.h"

namespace tonvex::win32 {

// Where everything sits, in pixels of the window at 96 dpi; the window scales it to its
// monitor's dpi.
using layout::Box;
using layout::kAboutPicture;
using layout::kAboutZone;
using layout::kButtons;
using layout::kCloseBox;
using layout::kCornerSize;
using layout::kHeight;
using layout::kInputBox;
using layout::kLegendCount;
using layout::kLegends;
using layout::kOutline;
using layout::kOutputBox;
using layout::kTimeBox;
using layout::kWidth;
using layout::Legend;

inline constexpr int kBaseDpi = 96;

// Natural sizes of the lit faces: a button's key in the skin is as large as its face.
inline constexpr SIZE kPlayFace{37, 42};
inline constexpr SIZE kStopFace{37, 42};
inline constexpr SIZE kSelectFace{52, 48};

// The ink of the path boxes and "X": the skin is fixed art, so its texts keep their colours
// whatever the desktop's colours are.
inline constexpr COLORREF kInk = RGB(0x1b, 0x1d, 0x20);
inline constexpr COLORREF kWhite = RGB(0xff, 0xff, 0xff);

// The child windows: one per control, so that the system's accessibility names them.
enum class Control {
    InputBox,
    OutputBox,
    Time,
    FirstLegend,
    FirstButton = FirstLegend + kLegendCount,
    Close = FirstButton + kButtonCount,
    AboutZone,
    AboutPicture,
    Count,
};
inline constexpr int kControlCount = static_cast<int>(Control::Count);

inline constexpr Control legendControl(int index)
{
    return static_cast<Control>(static_cast<int>(Control::FirstLegend) + index);
}
inline constexpr Control buttonControl(int index)
{
    return static_cast<Control>(static_cast<int>(Control::FirstButton) + index);
}
// The button index of a control, or -1 for a control that is no image button.
inline constexpr int buttonIndex(Control control)
{
    const int index = static_cast<int>(control) - static_cast<int>(Control::FirstButton);
    return index >= 0 && index < kButtonCount ? index : -1;
}

// A pixel length at 96 dpi as pixels at `dpi`.
inline int scaled(int length, UINT dpi)
{
    return MulDiv(length, static_cast<int>(dpi), kBaseDpi);
}

// A box at 96 dpi as a rectangle at `dpi`; neighbouring boxes stay neighbours.
inline RECT scaled(const Box& box, UINT dpi)
{
    return RECT{scaled(box.x, dpi), scaled(box.y, dpi), scaled(box.x + box.width, dpi),
                scaled(box.y + box.height, dpi)};
}

} // namespace tonvex::win32
