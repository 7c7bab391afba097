#pragma once

#include <array>

#include <windows.h>

#include "view.h"

namespace tonvex::win32 {

// Where everything sits, in pixels of the window at 96 dpi; the window scales it to its
// monitor's dpi.

inline constexpr int kWidth = 480;
inline constexpr int kHeight = 320;
inline constexpr int kBaseDpi = 96;

// A rectangle as left, top, width, height.
struct Box {
    int x, y, width, height;
};

inline constexpr Box kInputBox{132, 117, 307, 28};
inline constexpr Box kOutputBox{42, 183, 307, 28};
inline constexpr Box kTimeBox{186, 153, 34, 16};
inline constexpr Box kCloseBox{453, 12, 13, 13};
inline constexpr Box kAboutZone{387, 294, 82, 16};
inline constexpr Box kAboutPicture{81, 57, 320, 213};

inline constexpr std::array<Box, kButtonCount> kButtons{{
    {32, 109, 33, 41}, {69, 108, 33, 37}, {375, 177, 33, 41}, {414, 174, 33, 41},
    {28, 237, 54, 47}, {99, 237, 54, 47}, {170, 237, 54, 47}, {240, 237, 54, 47},
    {311, 237, 54, 47},
}};

struct Legend {
    const wchar_t* text;
    Box box;
};
inline constexpr int kLegendCount = 11;
inline constexpr std::array<Legend, kLegendCount> kLegends{{
    {L"PLAY", {33, 153, 34, 16}},        {L"PLAY", {381, 219, 34, 16}},
    {L"STOP", {72, 153, 34, 16}},        {L"INPUT FILE", {123, 153, 61, 16}},
    {L"OUTPUT FILE", {288, 219, 73, 16}}, {L"STOP", {417, 219, 34, 16}},
    {L"Mirror", {36, 288, 43, 16}},      {L"Reverse", {101, 288, 50, 16}},
    {L"Upside-D", {171, 288, 73, 16}},   {L"WholeT", {247, 288, 62, 16}},
    {L"Penta", {323, 288, 52, 16}},
}};

// Natural sizes of the lit faces: a button's key in the skin is as large as its face.
inline constexpr SIZE kPlayFace{37, 42};
inline constexpr SIZE kStopFace{37, 42};
inline constexpr SIZE kSelectFace{52, 48};

// The rounded outline: left, top, right and bottom (exclusive) of the visible pixels, and the
// corner ellipse.
inline constexpr RECT kOutline{5, 1, 476, 320};
inline constexpr int kCornerSize = 5;

// The ink of the path boxes and "X": the skin is fixed art, so its texts keep their colours
// whatever the desktop's colours are.
inline constexpr COLORREF kInk = RGB(0x1b, 0x1d, 0x20);
inline constexpr COLORREF kWhite = RGB(0xff, 0xff, 0xff);

// What a screen reader says for each button; the same names as the Linux window.
inline constexpr std::array<const wchar_t*, kButtonCount> kButtonNames{
    L"Play input", L"Stop input", L"Play output", L"Stop output", L"Mirror",
    L"Reverse", L"Upside-down", L"Whole tone", L"Pentatonic",
};
inline constexpr const wchar_t* kInputTitle = L"Input file";
inline constexpr const wchar_t* kOutputTitle = L"Output file";
inline constexpr const wchar_t* kTimeName = L"Elapsed time";
inline constexpr const wchar_t* kCloseName = L"Close";
inline constexpr const wchar_t* kAboutName = L"About Tonvex";

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
