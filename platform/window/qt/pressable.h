#pragma once

class QKeyEvent;

namespace tonvex {

// A control that acts when it is pressed: by the mouse, by Space or Enter while it has the
// keyboard focus, or by a screen reader's press action. All three end in press().
class Pressable {
public:
    virtual ~Pressable() = default;

    virtual void press() = 0;

    // Whether the control can be lit (shows a face for its last use), and whether it is now.
    virtual bool checkable() const { return false; }
    virtual bool checked() const { return false; }

    // Presses on Space, Enter or Return without Ctrl, Alt or Meta; returns false, leaving the
    // event alone, for any other key. A held key presses once, not at the repeat rate.
    bool pressOnKey(QKeyEvent* event);
};

} // namespace tonvex
