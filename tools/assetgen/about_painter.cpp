#include "about_painter.h"

#include "icon_painter.h"
#include "panel_style.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace tonvex::assetgen {

namespace {

const QColor kText(0xd0, 0xd3, 0xd8);
const QColor kQuiet(0x8e, 0x93, 0x9b);

void paintCard(QPainter& p) {
    const QRectF card(0, 0, AboutPainter::kWidth, AboutPainter::kHeight);
    QLinearGradient body(card.topLeft(), card.bottomLeft());
    body.setColorAt(0.0, QColor(0x40, 0x43, 0x49));
    body.setColorAt(1.0, QColor(0x22, 0x24, 0x27));
    p.fillRect(card, body);
    QPainterPath all;
    all.addRect(card);
    PanelStyle::paintBrushedGrain(p, all, 0xab07, 8);
    // Frame: dark outer line, light bevel inside it.
    p.fillRect(QRectF(0, 0, card.width(), 1), QColor(0x08, 0x09, 0x0a));
    p.fillRect(QRectF(0, card.height() - 1, card.width(), 1), QColor(0x08, 0x09, 0x0a));
    p.fillRect(QRectF(0, 0, 1, card.height()), QColor(0x08, 0x09, 0x0a));
    p.fillRect(QRectF(card.width() - 1, 0, 1, card.height()), QColor(0x08, 0x09, 0x0a));
    p.fillRect(QRectF(1, 1, card.width() - 2, 1), QColor(255, 255, 255, 60));
    p.fillRect(QRectF(1, 1, 1, card.height() - 2), QColor(255, 255, 255, 25));
    p.fillRect(QRectF(1, card.height() - 2, card.width() - 2, 1), QColor(0, 0, 0, 90));
    // An accent line along the top sets the card apart from the panel it covers.
    p.fillRect(QRectF(1, 1, card.width() - 2, 2), PanelStyle::accent());
    p.fillRect(QRectF(1, 3, card.width() - 2, 1), QColor(0x6a, 0x10, 0x0c));
}

void paintHeader(QPainter& p, int scale) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QImage icon = IconPainter::paint(40 * scale);
    icon.setDevicePixelRatio(scale);
    p.drawImage(QPointF(16, 16), icon);

    const QPointF base(62, 46);
    const QPainterPath letters = PanelStyle::paintSilverName(p, base, PanelStyle::font(32, true, -0.4), 1.4, 24);
    const qreal right = letters.boundingRect().right();
    PanelStyle::paintEngravedText(p, QPointF(right + 10, 46), QStringLiteral("Version 1.0"),
                                  PanelStyle::font(11, true), PanelStyle::accent());
    PanelStyle::paintEngravedText(p, QPointF(63, 60), QStringLiteral("MIDI PITCH TRANSFORMER"),
                                  PanelStyle::font(8, true, 1.4), kQuiet);
    p.restore();
}

void paintCloseMark(QPainter& p) {
    // A small round key with a cross, near the top right corner.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(300, 19);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 130));
    p.drawEllipse(centre + QPointF(0, 1), 9, 9);
    QRadialGradient cap(centre - QPointF(2, 3), 12);
    cap.setColorAt(0.0, QColor(0xe2, 0xe4, 0xe7));
    cap.setColorAt(1.0, QColor(0x8c, 0x91, 0x98));
    p.setBrush(cap);
    p.drawEllipse(centre, 8, 8);
    p.setPen(QPen(QColor(0x2a, 0x2c, 0x30), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-3, -3), centre + QPointF(3, 3));
    p.drawLine(centre + QPointF(-3, 3), centre + QPointF(3, -3));
    p.restore();
}

void paintBody(QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    // Groove under the header.
    p.fillRect(QRectF(14, 72, 292, 1), QColor(0x12, 0x13, 0x15));
    p.fillRect(QRectF(14, 73, 292, 1), QColor(0x55, 0x59, 0x60));

    p.setFont(PanelStyle::font(12, false));
    p.setPen(kText);
    p.drawText(QRectF(22, 84, 278, 64), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Turns a MIDI file into a new piece of music by moving its "
                              "notes: mirrored, inverted, turned upside down, spread over whole "
                              "tones or drawn to a pentatonic scale. The rhythm stays as it was."));

    p.setFont(PanelStyle::font(11, false));
    p.setPen(kQuiet);
    p.drawText(QRectF(22, 150, 278, 30), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Drop a .mid file on the input box, choose a transformation, "
                              "then play the input or the result."));

    p.fillRect(QRectF(14, 184, 292, 1), QColor(0x12, 0x13, 0x15));
    p.fillRect(QRectF(14, 185, 292, 1), QColor(0x4a, 0x4e, 0x55));
    PanelStyle::paintEngravedText(p, QPointF(22, 201), QStringLiteral("TONVEX AUDIO"),
                                  PanelStyle::font(8, true, 0.9), kQuiet);
    p.setFont(PanelStyle::font(9, false));
    p.setPen(kQuiet);
    p.drawText(QRectF(150, 191, 150, 14), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Click anywhere to close"));
    p.restore();
}

} // namespace

QImage AboutPainter::paint(int scale) {
    QImage image(kWidth * scale, kHeight * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    p.scale(scale, scale);
    paintCard(p);
    paintHeader(p, scale);
    paintCloseMark(p);
    paintBody(p);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace tonvex::assetgen
