#include "image_button.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>

namespace tonvex {

ImageButton::ImageButton(int index, QWidget* parent) : QWidget(parent), m_index(index)
{
    setFocusPolicy(Qt::StrongFocus);
}

QRect ImageButton::setFace(Face face, const QPixmap& pixmap)
{
    QRect dirty(pos(), m_pixmap.deviceIndependentSize().toSize());
    const bool wasLit = checked();
    m_face = face;
    m_pixmap = face == Face::None ? QPixmap() : pixmap;
    if (checked() != wasLit) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    return dirty.united(QRect(pos(), m_pixmap.deviceIndependentSize().toSize()));
}

void ImageButton::press()
{
    if (onPress)
        onPress(m_index);
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    press();
}

void ImageButton::keyPressEvent(QKeyEvent* event)
{
    if (!pressOnKey(event))
        QWidget::keyPressEvent(event);
}

} // namespace tonvex
