#include "image_button.h"

#include <QMouseEvent>

namespace tonvex {

ImageButton::ImageButton(int index, QWidget* parent) : QWidget(parent), m_index(index) {}

QRect ImageButton::setFace(Face face, const QPixmap& pixmap)
{
    QRect dirty(pos(), m_pixmap.deviceIndependentSize().toSize());
    m_face = face;
    m_pixmap = face == Face::None ? QPixmap() : pixmap;
    return dirty.united(QRect(pos(), m_pixmap.deviceIndependentSize().toSize()));
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (onPress)
        onPress(m_index);
}

} // namespace tonvex
