#include "panel_style.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tonvex::assetgen {

namespace {

const QColor kTray(0x24, 0x26, 0x2a);
const QColor kAccent(0xf0, 0x32, 0x28);
const QColor kBezel(0x0e, 0x0f, 0x11);

// Soft shadow under a rounded shape, built from a few widening translucent rings.
void paintSoftShadow(QPainter& p, const QRectF& rect, qreal radius, qreal dy, int alpha) {
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        const qreal grow = i * 0.9;
        p.setBrush(QColor(0, 0, 0, alpha / (i + 1)));
        p.drawRoundedRect(rect.adjusted(-grow, -grow + dy, grow, grow + dy), radius + grow, radius + grow);
    }
    p.restore();
}

QPainterPath playTriangle(const QPointF& centre, qreal height) {
    const qreal width = height * 0.9;
    QPainterPath path;
    // Nudged right: a triangle's visual centre lies left of its box centre.
    const qreal left = centre.x() - width * 0.42;
    path.moveTo(left, centre.y() - height / 2);
    path.lineTo(left + width, centre.y());
    path.lineTo(left, centre.y() + height / 2);
    path.closeSubpath();
    return path;
}

QPainterPath stopSquare(const QPointF& centre, qreal side) {
    QPainterPath path;
    path.addRoundedRect(QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side), 1.2, 1.2);
    return path;
}

} // namespace

QColor PanelStyle::trayColour() { return kTray; }
QColor PanelStyle::accent() { return kAccent; }

QFont PanelStyle::font(qreal pixelSize, bool bold, qreal letterSpacing) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(int(std::lround(pixelSize)));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    if (letterSpacing != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return f;
}

void PanelStyle::paintTransportKey(QPainter& p, const QPointF& topLeft, KeySymbol symbol, bool lit) {
    const QRectF face(topLeft, QSizeF(kTransportFaceSize));
    const QRectF cap = face.adjusted(3, 3, -3, -5);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    paintSoftShadow(p, cap, 4, 1.6, 150);

    // Dark rim, then the cap: light grey, a little darker towards the bottom.
    p.setPen(Qt::NoPen);
    p.setBrush(kBezel);
    p.drawRoundedRect(cap.adjusted(-0.8, -0.8, 0.8, 0.8), 4.6, 4.6);
    QLinearGradient body(cap.topLeft(), cap.bottomLeft());
    body.setColorAt(0.0, QColor(0xd3, 0xd6, 0xda));
    body.setColorAt(0.55, QColor(0xb4, 0xb8, 0xbe));
    body.setColorAt(1.0, QColor(0x93, 0x98, 0x9f));
    p.setBrush(body);
    p.drawRoundedRect(cap, 4, 4);

    // Slightly dished top face inside the rim.
    const QRectF top = cap.adjusted(2.2, 2.2, -2.2, -3.6);
    QLinearGradient dish(top.topLeft(), top.bottomLeft());
    dish.setColorAt(0.0, QColor(0xa9, 0xad, 0xb3));
    dish.setColorAt(1.0, QColor(0xc6, 0xca, 0xcf));
    p.setBrush(dish);
    p.drawRoundedRect(top, 3, 3);
    p.setPen(QPen(QColor(255, 255, 255, 150), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(cap.left() + 3.5, cap.top() + 0.9), QPointF(cap.right() - 3.5, cap.top() + 0.9));

    const QPointF centre = top.center();
    const QPainterPath mark = symbol == KeySymbol::Play ? playTriangle(centre, 14) : stopSquare(centre, 11.5);
    p.setPen(Qt::NoPen);
    if (lit) {
        // The cap glows from within around the symbol.
        QRadialGradient glow(centre, 13);
        glow.setColorAt(0.0, QColor(255, 70, 50, 150));
        glow.setColorAt(0.6, QColor(255, 70, 50, 50));
        glow.setColorAt(1.0, QColor(255, 70, 50, 0));
        p.setBrush(glow);
        p.drawRoundedRect(top, 3, 3);
        QLinearGradient red(centre - QPointF(0, 6.5), centre + QPointF(0, 6.5));
        red.setColorAt(0.0, QColor(0xff, 0x6a, 0x52));
        red.setColorAt(0.5, kAccent);
        red.setColorAt(1.0, QColor(0xb8, 0x12, 0x10));
        p.setBrush(QColor(0x6a, 0x08, 0x06));
        p.drawPath(mark.translated(0, 0.7));
        p.setBrush(red);
        p.drawPath(mark);
    } else {
        // Engraved: a light lip under a dark symbol.
        p.setBrush(QColor(255, 255, 255, 110));
        p.drawPath(mark.translated(0, 0.8));
        p.setBrush(QColor(0x56, 0x5a, 0x61));
        p.drawPath(mark);
    }
    p.restore();
}

void PanelStyle::paintRoundButton(QPainter& p, const QPointF& topLeft, bool lit) {
    const QPointF centre = topLeft + QPointF(kSelectFaceSize.width() / 2.0, kSelectFaceSize.height() / 2.0);
    constexpr qreal kBezelRadius = 21.5;
    constexpr qreal kCapRadius = 17.5;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // Recess cut into the tray: dark at the top, catching light at the bottom.
    QLinearGradient recess(centre - QPointF(0, kBezelRadius), centre + QPointF(0, kBezelRadius));
    recess.setColorAt(0.0, QColor(0x0b, 0x0c, 0x0e));
    recess.setColorAt(0.7, QColor(0x1a, 0x1c, 0x1f));
    recess.setColorAt(1.0, QColor(0x4a, 0x4e, 0x55));
    p.setBrush(recess);
    p.drawEllipse(centre, kBezelRadius, kBezelRadius);
    p.setBrush(QColor(0x10, 0x11, 0x13));
    p.drawEllipse(centre, kBezelRadius - 1.2, kBezelRadius - 1.2);

    if (lit) {
        QRadialGradient halo(centre, kBezelRadius - 1.2);
        halo.setColorAt(0.7, QColor(255, 60, 40, 150));
        halo.setColorAt(1.0, QColor(255, 60, 40, 0));
        p.setBrush(halo);
        p.drawEllipse(centre, kBezelRadius - 1.2, kBezelRadius - 1.2);
    }

    // Drop shadow of the cap inside the recess.
    p.setBrush(QColor(0, 0, 0, 140));
    p.drawEllipse(centre + QPointF(0, 1.4), kCapRadius + 0.6, kCapRadius + 0.6);

    QRadialGradient dome(centre - QPointF(5, 7), kCapRadius * 1.7);
    if (lit) {
        dome.setColorAt(0.0, QColor(0xff, 0x9a, 0x82));
        dome.setColorAt(0.35, QColor(0xf4, 0x3c, 0x2c));
        dome.setColorAt(0.75, QColor(0xb4, 0x14, 0x10));
        dome.setColorAt(1.0, QColor(0x6e, 0x08, 0x06));
    } else {
        dome.setColorAt(0.0, QColor(0xe4, 0xe6, 0xe9));
        dome.setColorAt(0.35, QColor(0xb8, 0xbc, 0xc2));
        dome.setColorAt(0.75, QColor(0x80, 0x85, 0x8c));
        dome.setColorAt(1.0, QColor(0x55, 0x59, 0x60));
    }
    p.setBrush(kBezel);
    p.drawEllipse(centre, kCapRadius + 0.5, kCapRadius + 0.5);
    p.setBrush(dome);
    p.drawEllipse(centre, kCapRadius, kCapRadius);

    // Concentric machining rings on the cap's flat top.
    p.setBrush(Qt::NoBrush);
    const QColor ring = lit ? QColor(255, 210, 200, 34) : QColor(255, 255, 255, 30);
    for (qreal r = 3; r < kCapRadius - 4; r += 2.0) {
        p.setPen(QPen(ring, 0.5));
        p.drawEllipse(centre, r, r);
    }
    // Specular highlight.
    QRadialGradient shine(centre - QPointF(4, 9), 9);
    shine.setColorAt(0.0, QColor(255, 255, 255, lit ? 130 : 150));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QRectF(centre.x() - 12, centre.y() - 16, 20, 13));
    p.restore();
}

void PanelStyle::paintTray(QPainter& p, const QRectF& rect, qreal radius) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Light lip below, dark lip above, flat floor in between.
    p.setBrush(QColor(0x55, 0x59, 0x60));
    p.drawRoundedRect(rect, radius, radius);
    p.setBrush(QColor(0x0c, 0x0d, 0x0f));
    p.drawRoundedRect(rect.adjusted(0, 0, 0, -1), radius, radius);
    p.setBrush(kTray);
    p.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    p.restore();
}

void PanelStyle::paintBrushedGrain(QPainter& p, const QPainterPath& area, quint32 seed, int strength) {
    const qreal scale = p.worldTransform().m11();
    const QRectF logical = area.boundingRect();
    const int width = int(std::ceil(logical.width() * scale));
    const int height = int(std::ceil(logical.height() * scale));
    if (width <= 0 || height <= 0) return;

    QRandomGenerator random(seed);
    QImage grain(width, height, QImage::Format_ARGB32_Premultiplied);
    const int window = std::max(8, int(28 * scale));
    std::vector<double> noise(size_t(width + window));
    for (int y = 0; y < height; ++y) {
        const double rowLevel = random.bounded(2.0) - 1.0;
        for (auto& n : noise) n = random.bounded(2.0) - 1.0;
        // A running mean along the row turns white noise into long soft streaks.
        double sum = 0;
        for (int i = 0; i < window; ++i) sum += noise[size_t(i)];
        auto* line = reinterpret_cast<QRgb*>(grain.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double streak = sum / std::sqrt(double(window));
            sum += noise[size_t(x + window)] - noise[size_t(x)];
            const double v = std::clamp(0.55 * rowLevel + 0.45 * streak, -1.0, 1.0);
            const int a = int(std::lround(std::abs(v) * strength));
            line[x] = v >= 0 ? qPremultiply(qRgba(255, 255, 255, a)) : qPremultiply(qRgba(0, 0, 0, a));
        }
    }
    // One grain pixel per device pixel.
    grain.setDevicePixelRatio(scale);
    p.save();
    p.setClipPath(area, Qt::IntersectClip);
    p.drawImage(logical.topLeft(), grain);
    p.restore();
}

void PanelStyle::paintEngravedText(QPainter& p, const QPointF& baseline, const QString& text,
                                   const QFont& font, const QColor& colour) {
    p.save();
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 170));
    p.drawText(baseline - QPointF(0, 0.8), text);
    p.setPen(QColor(255, 255, 255, 45));
    p.drawText(baseline + QPointF(0, 0.8), text);
    p.setPen(colour);
    p.drawText(baseline, text);
    p.restore();
}

QPainterPath PanelStyle::paintSilverName(QPainter& p, const QPointF& baseline, const QFont& font,
                                         qreal shadowDrop, qreal capHeight)
{
    QPainterPath letters;
    letters.addText(baseline, font, QStringLiteral("Tonvex"));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 130));
    p.drawPath(letters.translated(0, shadowDrop));
    QLinearGradient silver(0, baseline.y() - capHeight, 0, baseline.y() + 1);
    silver.setColorAt(0.0, QColor(0xfa, 0xfb, 0xfc));
    silver.setColorAt(0.5, QColor(0xd6, 0xd9, 0xdd));
    silver.setColorAt(0.52, QColor(0xb7, 0xbb, 0xc1));
    silver.setColorAt(1.0, QColor(0xe2, 0xe4, 0xe7));
    p.setBrush(silver);
    p.drawPath(letters);
    return letters;
}

} // namespace tonvex::assetgen
