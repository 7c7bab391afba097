#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace tonvex::assetgen {

// Windows icon files: several square pictures of one icon in one .ico file.
class IcoWriter {
public:
    // Returns the .ico bytes holding each picture in full colour with its transparency: a
    // 256-pixel picture as PNG, smaller ones as bitmaps, as Windows lists them. Returns an
    // empty array when a picture is not square or larger than 256 pixels.
    static QByteArray write(const QList<QImage>& pictures);
};

} // namespace tonvex::assetgen
