#include "face_painter.h"

#include "panel_style.h"

#include <QPainter>

namespace tonvex::assetgen {

namespace {

// The face starts as the tray floor it covers, so its edges vanish into the skin.
template <typename Paint>
QImage paintFace(QSize size, int scale, Paint paint) {
    // Painted in the skin's pixel format, so the blending rounds exactly as it does there.
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(PanelStyle::trayColour());
    QPainter p(&image);
    p.scale(scale, scale);
    paint(p);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

QImage FacePainter::paintPlay(int scale) {
    return paintFace(PanelStyle::kTransportFaceSize, scale, [](QPainter& p) {
        PanelStyle::paintTransportKey(p, QPointF(0, 0), KeySymbol::Play, true);
    });
}

QImage FacePainter::paintStop(int scale) {
    return paintFace(PanelStyle::kTransportFaceSize, scale, [](QPainter& p) {
        PanelStyle::paintTransportKey(p, QPointF(0, 0), KeySymbol::Stop, true);
    });
}

QImage FacePainter::paintSelect(int scale) {
    return paintFace(PanelStyle::kSelectFaceSize, scale, [](QPainter& p) {
        PanelStyle::paintRoundButton(p, QPointF(0, 0), true);
    });
}

} // namespace tonvex::assetgen
