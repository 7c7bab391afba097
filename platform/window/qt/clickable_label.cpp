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
    if (endsClick(event, rect()))
        click();
}

bool ClickableLabel::endsClick(const QMouseEvent* event, const QRect& area)
{
    if (event->button() != Qt::LeftButton || !m_leftDown)
        return false;
    m_leftDown = false;
    return area.contains(event->position().toPoint());
}

void ClickableLabel::click()
{
    if (onClick)
        onClick();
}

} // namespace tonvex
