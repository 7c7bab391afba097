#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPoint>
#include <QRectF>
#include <QSize>

class QPainter;

namespace tonvex::assetgen {

enum class KeySymbol { Play, Stop };

// The look shared by the skin and the lit faces. A lit face is pasted over the skin as an
// opaque rectangle, so every element that has a lit form is painted here, by one routine
// for both states, on the flat tray colour that surrounds it in the skin.
class PanelStyle {
public:
    static constexpr QSize kTransportFaceSize{37, 42};
    static constexpr QSize kSelectFaceSize{52, 48};

    // The flat fill of the recessed trays under every face.
    static QColor trayColour();
    static QColor accent();

    // Family "Liberation Sans" (the metric twin of Arial) at a pixel size.
    static QFont font(qreal pixelSize, bool bold, qreal letterSpacing = 0);

    // A rectangular key with a play or stop symbol filling a face rectangle.
    static void paintTransportKey(QPainter& p, const QPointF& topLeft, KeySymbol symbol, bool lit);
    // A round push button in its bezel filling a face rectangle.
    static void paintRoundButton(QPainter& p, const QPointF& topLeft, bool lit);

    // A recessed tray: flat inside, dark top edge, light bottom edge; rect in whole pixels.
    static void paintTray(QPainter& p, const QRectF& rect, qreal radius);
    // Fine horizontal grain over an area, in device pixels so that the 2x picture gets its
    // own finer grain instead of a stretched one.
    static void paintBrushedGrain(QPainter& p, const QPainterPath& area, quint32 seed, int strength);
    // The name in brushed silver letters with a drop shadow; returns the letters' outline.
    static QPainterPath paintSilverName(QPainter& p, const QPointF& baseline, const QFont& font,
                                        qreal shadowDrop, qreal capHeight);
    // Text cut into the panel: a dark edge above, a light one below.
    static void paintEngravedText(QPainter& p, const QPointF& baseline, const QString& text,
                                  const QFont& font, const QColor& colour);
};

} // namespace tonvex::assetgen
