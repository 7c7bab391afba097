#pragma once

#include <string>

namespace tonvex {

// The labels whose text or place the logic reads or sets.
enum class Label { DragFile, OutputFile, LabTime };

// An image button's face: cleared, or one of the bitmap resources "PLAY", "STOP", "SELECT".
enum class Face { None, Play, Stop, Select };

// Number of image buttons (ImgBut 0 to 8).
inline constexpr int kButtonCount = 9;
// The transport buttons, 0 to 3; the transformation buttons follow them.
inline constexpr int kPlayInput = 0;
inline constexpr int kStopInput = 1;
inline constexpr int kPlayOutput = 2;
inline constexpr int kStopOutput = 3;
inline constexpr int kLastTransportButton = kStopOutput;

// What the logic needs of the window. The Qt window implements it; tests use a fake.
class View {
public:
    virtual ~View() = default;
    // The label's whole text (never elided). The logic keeps its paths itself and never reads
    // a label back; this serves the window's own checks.
    virtual std::string caption(Label label) const = 0;
    virtual void setCaption(Label label, const std::string& text) = 0;
    virtual void moveLabel(Label label, int x, int y) = 0;
    // Face::None clears the button so the skin shows through.
    virtual void setFace(int button, Face face) = 0;
    virtual void setTimerEnabled(bool enabled) = 0;
    // Lets the window's pending events run once, then returns.
    virtual void processEvents() = 0;
    // Modal message box titled "Tonvex" with an OK button; returns when it is closed.
    virtual void showMessage(const std::string& text) = 0;
    // Ends the program once control returns to the event loop.
    virtual void quit() = 0;
};

} // namespace tonvex
