#include "clickable_label.h"

#include <QMouseEvent>

namespace tonvex {

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_leftDown = true;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_leftDown)
        return;
    m_leftDown = false;
    if (rect().contains(event->position().toPoint()) && onClick)
        onClick();
}

} // namespace tonvex
