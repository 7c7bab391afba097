#include "close_label.h"

#include <QMouseEvent>

namespace tonvex {

CloseLabel::CloseLabel(QWidget* parent) : LabelButton(parent) {}

void CloseLabel::mousePressEvent(QMouseEvent* event)
{
    if (!m_offset) {
        m_offset = true;
        move(pos() + kHeldOffset);
    }
    LabelButton::mousePressEvent(event);
}

void CloseLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    // A click is judged against the label's own place, not the one it is shifted to while
    // held: the release's position is relative to the shifted label.
    const QRect home = m_offset ? rect().translated(-kHeldOffset) : rect();
    const bool clicked = endsClick(event, home);
    if (m_offset && event->buttons() == Qt::NoButton) {
        m_offset = false;
        move(pos() - kHeldOffset);
    }
    if (clicked)
        click();
}

} // namespace tonvex
