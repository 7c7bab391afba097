#include "close_label.h"

#include <QMouseEvent>

namespace tonvex {

CloseLabel::CloseLabel(QWidget* parent) : ClickableLabel(parent) {}

void CloseLabel::mousePressEvent(QMouseEvent* event)
{
    if (!m_offset) {
        m_offset = true;
        move(pos() + QPoint(1, 1));
    }
    ClickableLabel::mousePressEvent(event);
}

void CloseLabel::mouseReleaseEvent(QMouseEvent* event)
{
    // Whether the release is a click is judged where the label sits while held.
    const bool back = m_offset && event->buttons() == Qt::NoButton;
    if (back) {
        m_offset = false;
        move(pos() - QPoint(1, 1));
    }
    ClickableLabel::mouseReleaseEvent(event);
}

} // namespace tonvex
