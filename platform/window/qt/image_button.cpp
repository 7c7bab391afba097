#include "image_button.h"

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
    m_face = face;
    m_pixmap = face == Face::None ? QPixmap() : pixmap;
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
