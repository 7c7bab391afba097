#include "skin_painter.h"

#include "panel_style.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>

namespace tonvex::assetgen {

namespace {

// The part of the window that the rounded outline keeps.
const QRectF kVisible(5, 1, 471, 319);
constexpr qreal kTitleBottom = 97;

struct TransportKey {
    QPointF at;
    KeySymbol symbol;
};
constexpr std::array<TransportKey, 4> kTransportKeys{{
    {{32, 109}, KeySymbol::Play},
    {{69, 108}, KeySymbol::Stop},
    {{375, 177}, KeySymbol::Play},
    {{414, 174}, KeySymbol::Stop},
}};
constexpr std::array<qreal, 5> kSelectX{28, 99, 170, 240, 311};
constexpr qreal kSelectY = 237;

void paintPanel(QPainter& p) {
    QPainterPath panel;
    panel.addRoundedRect(kVisible, 2.5, 2.5);

    QLinearGradient body(0, kVisible.top(), 0, kVisible.bottom());
    body.setColorAt(0.0, QColor(0x42, 0x45, 0x4b));
    body.setColorAt(kTitleBottom / 320.0, QColor(0x33, 0x36, 0x3b));
    body.setColorAt(kTitleBottom / 320.0 + 0.001, QColor(0x30, 0x33, 0x38));
    body.setColorAt(1.0, QColor(0x27, 0x29, 0x2d));
    p.fillPath(panel, body);
    PanelStyle::paintBrushedGrain(p, panel, 0x70e5, 9);

    // Bevel: light top and left edge, dark bottom and right edge.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    p.drawLine(QPointF(8, 1.5), QPointF(473, 1.5));
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.drawLine(QPointF(5.5, 4), QPointF(5.5, 317));
    p.setPen(QPen(QColor(0, 0, 0, 110), 1));
    p.drawLine(QPointF(8, 319.5), QPointF(473, 319.5));
    p.drawLine(QPointF(475.5, 4), QPointF(475.5, 317));
    p.restore();

    // Groove between the name plate and the controls.
    p.fillRect(QRectF(6, kTitleBottom, 469, 1), QColor(0x14, 0x15, 0x17));
    p.fillRect(QRectF(6, kTitleBottom + 1, 469, 1), QColor(0x52, 0x56, 0x5d));
}

void paintKeyboard(QPainter& p, const QRectF& window) {
    // A two-octave keyboard in a dark window: the notes of a figure in the lower octave lit
    // white-hot, their mirror images across the axis lit red.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x55, 0x59, 0x60));
    p.drawRoundedRect(window.adjusted(-1, -1, 1, 1.6), 4, 4);
    p.setBrush(QColor(0x0a, 0x0b, 0x0c));
    p.drawRoundedRect(window.adjusted(-1, -1, 1, 0.6), 4, 4);
    p.setBrush(QColor(0x14, 0x15, 0x17));
    p.drawRoundedRect(window, 3, 3);

    const QRectF keys = window.adjusted(4, 4, -4, -4);
    constexpr int kWhiteKeys = 14;
    const qreal w = keys.width() / kWhiteKeys;
    const std::array<int, 4> litBelow{0, 2, 4, 5};       // C E G A, as white-key indices
    const std::array<int, 4> litAbove{13, 11, 9, 8};     // their mirror images
    for (int i = 0; i < kWhiteKeys; ++i) {
        const QRectF key(keys.left() + i * w + 0.5, keys.top(), w - 1, keys.height());
        QLinearGradient ivory(key.topLeft(), key.bottomLeft());
        ivory.setColorAt(0.0, QColor(0xb4, 0xb7, 0xbb));
        ivory.setColorAt(0.85, QColor(0xe9, 0xea, 0xec));
        ivory.setColorAt(1.0, QColor(0xc4, 0xc6, 0xc9));
        p.setBrush(ivory);
        p.drawRoundedRect(key, 1.2, 1.2);
        const bool below = std::find(litBelow.begin(), litBelow.end(), i) != litBelow.end();
        const bool above = std::find(litAbove.begin(), litAbove.end(), i) != litAbove.end();
        if (below || above) {
            const QPointF dot(key.center().x(), key.bottom() - 5.5);
            p.setBrush(above ? PanelStyle::accent() : QColor(0x3b, 0x3e, 0x44));
            p.drawEllipse(dot, 2.3, 2.3);
        }
    }
    const std::array<bool, 7> hasBlack{true, true, false, true, true, true, false};
    for (int i = 0; i < kWhiteKeys - 1; ++i) {
        if (!hasBlack[size_t(i % 7)]) continue;
        const QRectF key(keys.left() + (i + 1) * w - w * 0.3, keys.top(), w * 0.6, keys.height() * 0.6);
        QLinearGradient ebony(key.topLeft(), key.bottomLeft());
        ebony.setColorAt(0.0, QColor(0x0c, 0x0d, 0x0e));
        ebony.setColorAt(1.0, QColor(0x2e, 0x30, 0x34));
        p.setBrush(ebony);
        p.drawRoundedRect(key, 1, 1);
    }
    // The mirror axis between the octaves.
    const qreal axis = keys.left() + 7 * w;
    QLinearGradient beam(axis, keys.top() - 3, axis, keys.bottom() + 3);
    beam.setColorAt(0.0, QColor(255, 60, 40, 0));
    beam.setColorAt(0.5, QColor(255, 60, 40, 230));
    beam.setColorAt(1.0, QColor(255, 60, 40, 0));
    p.setBrush(beam);
    p.drawRect(QRectF(axis - 0.75, keys.top() - 3, 1.5, keys.height() + 6));
    // Glass reflection across the upper half.
    QLinearGradient glass(window.topLeft(), window.bottomLeft());
    glass.setColorAt(0.0, QColor(255, 255, 255, 34));
    glass.setColorAt(0.45, QColor(255, 255, 255, 8));
    glass.setColorAt(0.46, QColor(255, 255, 255, 0));
    p.setBrush(glass);
    p.drawRoundedRect(window, 3, 3);
    p.restore();
}

void paintTitle(QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Name: brushed silver letters with a drop shadow.
    const QFont name = PanelStyle::font(40, true, -0.5);
    const QPointF base(26, 57);
    PanelStyle::paintSilverName(p, base, name, 1.6, 30);

    // Red accent bar and the model line under the name.
    p.setBrush(PanelStyle::accent());
    p.drawRoundedRect(QRectF(27, 67, 22, 3), 1.5, 1.5);
    PanelStyle::paintEngravedText(p, QPointF(56, 71), QStringLiteral("MIDI PITCH TRANSFORMER"),
                                  PanelStyle::font(9, true, 1.6), QColor(0x9a, 0x9f, 0xa7));

    paintKeyboard(p, QRectF(250, 24, 182, 56));

    // Plate behind the close label: a small light key, so the dark "X" reads on it.
    const QRectF plate(449.5, 8.5, 20, 20);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawRoundedRect(plate.adjusted(-1, -0.5, 1, 1.8), 4, 4);
    QLinearGradient cap(plate.topLeft(), plate.bottomLeft());
    cap.setColorAt(0.0, QColor(0xdc, 0xdf, 0xe2));
    cap.setColorAt(1.0, QColor(0xa6, 0xab, 0xb1));
    p.setBrush(cap);
    p.drawRoundedRect(plate, 3.5, 3.5);
    p.restore();
}

void paintPathBox(QPainter& p, const QRectF& field) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Bezel with its light lip as the bottom row: the legends start right below it.
    const QRectF bezel = field.adjusted(-4, -4, 4, 3);
    p.setBrush(QColor(0x5a, 0x5e, 0x65));
    p.drawRoundedRect(bezel, 7, 7);
    p.setBrush(QColor(0x0b, 0x0c, 0x0d));
    p.drawRoundedRect(bezel.adjusted(0, 0, 0, -1), 7, 7);
    p.setBrush(QColor(0x1b, 0x1d, 0x20));
    p.drawRoundedRect(bezel.adjusted(1, 1, -1, -2), 6, 6);
    p.setBrush(QColor(0x05, 0x05, 0x06));
    p.drawRoundedRect(field.adjusted(-1, -1, 1, 1), 5, 5);
    p.setBrush(Qt::white);
    p.drawRoundedRect(field, 4, 4);
    // Inner shadow along the top two rows only; the text area below stays pure white.
    QLinearGradient shade(field.topLeft(), field.topLeft() + QPointF(0, 2));
    shade.setColorAt(0.0, QColor(0, 0, 0, 70));
    shade.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(shade);
    p.setClipRect(QRectF(field.left(), field.top(), field.width(), 2));
    p.drawRoundedRect(field, 4, 4);
    p.restore();
}

void paintGrille(QPainter& p, const QRectF& area) {
    // Speaker holes on a hexagonal grid, every row centred, inside a rounded outline.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QPainterPath outline;
    outline.addRoundedRect(area, 9, 9);
    constexpr qreal kPitch = 5.6;
    const qreal rowStep = kPitch * 0.866;
    const int rows = int(area.height() / rowStep) + 1;
    const qreal top = area.center().y() - (rows - 1) * rowStep / 2;
    const int wide = int(area.width() / kPitch) + 1;
    for (int row = 0; row < rows; ++row) {
        const int holes = row % 2 ? wide - 1 : wide;
        const qreal left = area.center().x() - (holes - 1) * kPitch / 2;
        const qreal y = top + row * rowStep;
        for (int i = 0; i < holes; ++i) {
            const QPointF hole(left + i * kPitch, y);
            if (!outline.contains(hole)) continue;
            p.setBrush(QColor(255, 255, 255, 34));
            p.drawEllipse(hole + QPointF(0, 0.7), 1.5, 1.5);
            p.setBrush(QColor(0x08, 0x09, 0x0a));
            p.drawEllipse(hole, 1.5, 1.5);
        }
    }
    p.restore();
}

void paintMakersMark(QPainter& p) {
    // Lies under the about hot zone (387, 294) 82 x 16.
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF dot(394, 302);
    p.setBrush(QColor(0, 0, 0, 140));
    p.drawEllipse(dot + QPointF(0, 0.6), 4.4, 4.4);
    QRadialGradient led(dot - QPointF(1, 1.2), 4.5);
    led.setColorAt(0.0, QColor(0xff, 0x9a, 0x88));
    led.setColorAt(1.0, QColor(0xb0, 0x14, 0x10));
    p.setBrush(led);
    p.drawEllipse(dot, 3.8, 3.8);
    PanelStyle::paintEngravedText(p, QPointF(402, 305.5), QStringLiteral("TONVEX AUDIO"),
                                  PanelStyle::font(8, true, 0.9), QColor(0x98, 0x9d, 0xa5));
    p.restore();
}

} // namespace

QImage SkinPainter::paint(int scale) {
    QImage image(kWidth * scale, kHeight * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x10, 0x11, 0x13));
    QPainter p(&image);
    p.scale(scale, scale);

    paintPanel(p);
    paintTitle(p);

    // Trays: every lit face lies on their flat floor.
    PanelStyle::paintTray(p, QRectF(27, 103, 84, 50), 5);
    PanelStyle::paintTray(p, QRectF(370, 169, 86, 52), 5);
    PanelStyle::paintTray(p, QRectF(22, 234, 347, 53), 6);

    paintPathBox(p, QRectF(125, 115, 319, 34));
    paintPathBox(p, QRectF(37, 181, 319, 33));

    for (const auto& key : kTransportKeys) PanelStyle::paintTransportKey(p, key.at, key.symbol, false);
    for (qreal x : kSelectX) PanelStyle::paintRoundButton(p, QPointF(x, kSelectY), false);

    paintGrille(p, QRectF(384, 240, 82, 42));
    paintMakersMark(p);
    return image;
}

} // namespace tonvex::assetgen
