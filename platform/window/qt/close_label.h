#pragma once

#include <QPoint>

#include "label_button.h"

namespace tonvex {

// The "X" label: sits one pixel right of and below its place while a button is held on it.
class CloseLabel : public LabelButton {
public:
    explicit CloseLabel(QWidget* parent = nullptr);

    bool isPressed() const { return m_offset; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr QPoint kHeldOffset{1, 1};

    bool m_offset = false;
};

} // namespace tonvex
