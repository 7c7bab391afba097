#include "artwork.h"

#include <QFile>

namespace tonvex {
namespace {

const char* const kPrefix = ":/tonvex/";

} // namespace

QPixmap loadArtwork(const QString& name, qreal devicePixelRatio)
{
    const QString base = QString::fromLatin1(kPrefix) + name;
    if (devicePixelRatio > 1.0 && QFile::exists(base + "@2x.png")) {
        QPixmap sharp(base + "@2x.png");
        sharp.setDevicePixelRatio(2.0);
        return sharp;
    }
    return QPixmap(base + ".png");
}

} // namespace tonvex
