#pragma once

#include <QImage>

namespace tonvex::assetgen {

// The lit button faces "PLAY", "STOP" (37 x 42) and "SELECT" (52 x 48), opaque 24-bit.
class FacePainter {
public:
    static QImage paintPlay(int scale);
    static QImage paintStop(int scale);
    static QImage paintSelect(int scale);
};

} // namespace tonvex::assetgen
