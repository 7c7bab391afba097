#include "icon_painter.h"

#include "panel_style.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tonvex::assetgen {

namespace {

// An eighth note in a 32-unit design grid, head at the origin, stem up.
QPainterPath eighthNote() {
    QPainterPath head;
    head.addEllipse(QPointF(0, 0), 4.1, 2.9);
    QTransform tilt;
    tilt.rotate(-22);
    QPainterPath note = tilt.map(head);
    note.addRect(QRectF(2.6, -11.5, 1.5, 11.2));
    QPainterPath flag;
    flag.moveTo(4.1, -11.5);
    flag.cubicTo(4.6, -8.0, 9.0, -7.0, 7.4, -2.6);
    flag.cubicTo(7.6, -5.6, 5.6, -6.6, 4.1, -7.4);
    flag.closeSubpath();
    return note.united(flag);
}

} // namespace

QImage IconPainter::paint(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 32.0, side / 32.0);

    const QRectF tile(1, 1, 30, 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0a, 0x0b, 0x0c));
    p.drawRoundedRect(tile, 6.5, 6.5);
    QLinearGradient body(tile.topLeft(), tile.bottomLeft());
    body.setColorAt(0.0, QColor(0x50, 0x54, 0x5b));
    body.setColorAt(1.0, QColor(0x26, 0x28, 0x2c));
    p.setBrush(body);
    p.drawRoundedRect(tile.adjusted(0.8, 0.8, -0.8, -0.8), 5.8, 5.8);
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRect(QRectF(6, 1.9, 20, 0.7));

    // The note above the axis and its red reflection below it.
    const QPainterPath note = eighthNote();
    constexpr qreal kSize = 0.8;
    QTransform above;
    above.translate(13.8, 12.2);
    above.scale(kSize, kSize);
    QTransform below;
    below.translate(13.8, 19.8);
    below.scale(kSize, -kSize);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawPath(above.map(note).translated(0, 0.8));
    p.setBrush(QColor(0xf2, 0xf3, 0xf5));
    p.drawPath(above.map(note));
    p.setBrush(PanelStyle::accent());
    p.drawPath(below.map(note));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRect(QRectF(6, 15.6, 20, 0.8));
    p.end();
    return image;
}

} // namespace tonvex::assetgen
