#pragma once

#include <array>

#include "view.h"

namespace tonvex::layout {

// The one skin every window draws: where its parts sit, in pixels at 96 dpi, and what a
// screen reader calls them.

inline constexpr int kWidth = 480;
inline constexpr int kHeight = 320;

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

// In the View's button order.
inline constexpr std::array<Box, kButtonCount> kButtons{{
    {32, 109, 33, 41}, {69, 108, 33, 37}, {375, 177, 33, 41}, {414, 174, 33, 41},
    {28, 237, 54, 47}, {99, 237, 54, 47}, {170, 237, 54, 47}, {240, 237, 54, 47},
    {311, 237, 54, 47},
}};

struct Legend {
    const char* text;
    Box box;
};
inline constexpr int kLegendCount = 11;
inline constexpr std::array<Legend, kLegendCount> kLegends{{
    {"PLAY", {33, 153, 34, 16}},        {"PLAY", {381, 219, 34, 16}},
    {"STOP", {72, 153, 34, 16}},        {"INPUT FILE", {123, 153, 61, 16}},
    {"OUTPUT FILE", {288, 219, 73, 16}}, {"STOP", {417, 219, 34, 16}},
    {"Mirror", {36, 288, 43, 16}},      {"Reverse", {101, 288, 50, 16}},
    {"Upside-D", {171, 288, 73, 16}},   {"WholeT", {247, 288, 62, 16}},
    {"Penta", {323, 288, 52, 16}},
}};

// The rounded outline: left, top, right and bottom (exclusive) of the visible pixels, and the
// size of the corner ellipse.
struct Outline {
    int left, top, right, bottom;
};
inline constexpr Outline kOutline{5, 1, 476, 320};
inline constexpr int kCornerSize = 5;

// The face a press lights on a button: its key in the skin is as large as that face.
inline constexpr Face litFace(int button)
{
    if (button == kPlayInput || button == kPlayOutput)
        return Face::Play;
    if (button == kStopInput || button == kStopOutput)
        return Face::Stop;
    return Face::Select;
}

// The keyboard focus ring round a control: its gap to the control (wider round "X", clear of
// its square and shadow) and its corner radius.
inline constexpr int kRingGap = 1;
inline constexpr int kCloseRingGap = 5;
inline constexpr int kRingRadius = 4;

// Type sizes in points: the legends and paths, and "X".
inline constexpr double kSmallPoints = 8.25;
inline constexpr double kClosePoints = 11.25;

// What a screen reader says for each button: what it does, not its terse legend.
inline constexpr std::array<const char*, kButtonCount> kButtonNames{
    "Play input", "Stop input", "Play output", "Stop output", "Mirror",
    "Reverse", "Upside-down", "Whole tone", "Pentatonic",
};
inline constexpr const char* kInputTitle = "Input file";
inline constexpr const char* kOutputTitle = "Output file";
inline constexpr const char* kTimeName = "Elapsed time";
inline constexpr const char* kCloseName = "Close";
inline constexpr const char* kAboutName = "About Tonvex";

} // namespace tonvex::layout
