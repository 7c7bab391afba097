#pragma once

#include <QPointer>

#include "clickable_label.h"

namespace tonvex {

// The about picture, above every other control. Shown, it holds the keyboard focus; a click,
// Space or Enter on it hides it and gives the focus back to where it was. The second click
// of a double-click whose first click hid it is swallowed, so that it cannot press the
// control that lay beneath.
class AboutPicture : public ClickableLabel {
public:
    explicit AboutPicture(QWidget* parent = nullptr);
    ~AboutPicture() override;

    void open();
    void dismiss();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void swallowNextDoubleClick(bool on);

    QPointer<QWidget> m_focusBefore;
    bool m_swallowing = false;
};

} // namespace tonvex
