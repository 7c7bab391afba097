#pragma once

#include <QImage>

namespace tonvex::assetgen {

// The window background, 480 x 320 logical pixels: panel, title, path boxes, unlit keys.
class SkinPainter {
public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 320;

    // Returns the skin at scale 1 or 2, 32-bit, before the reduction to 256 colours.
    static QImage paint(int scale);
};

} // namespace tonvex::assetgen
