#pragma once

#include <QImage>

namespace tonvex::assetgen {

// The program icon: a note and its red mirror image on a graphite tile.
class IconPainter {
public:
    // Returns a square picture of the given side in pixels, with transparent corners.
    static QImage paint(int side);
};

} // namespace tonvex::assetgen
