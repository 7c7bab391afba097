#pragma once

#include "clickable_label.h"
#include "pressable.h"

namespace tonvex {

// A label that is a button: a click, Space or Enter while focused, or a screen reader's
// press action all call onClick.
class LabelButton : public ClickableLabel, public Pressable {
public:
    explicit LabelButton(QWidget* parent = nullptr);

    void press() override { click(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace tonvex
