#pragma once

#include <QImage>

namespace tonvex::assetgen {

// The about picture, 320 x 213 logical pixels, with its close mark near the top right.
class AboutPainter {
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 213;

    static QImage paint(int scale);
};

} // namespace tonvex::assetgen
