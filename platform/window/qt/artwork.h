#pragma once

#include <QPixmap>
#include <QString>

namespace tonvex {

// The picture `name` from the program's resources, at double density when the screen
// wants it and a 2x version exists; a null pixmap when the resource is missing.
QPixmap loadArtwork(const QString& name, qreal devicePixelRatio);

} // namespace tonvex
