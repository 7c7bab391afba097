#pragma once

#include <QImage>

namespace tonvex::assetgen {

// Reduces a picture to 256 colours for the indexed PNG files. The most frequent colours are
// kept exactly, so the flat areas that the lit faces must match survive unchanged; the rest
// of the palette comes from a median cut of the remaining colours. No dithering: flat areas
// stay flat.
class PaletteQuantizer {
public:
    // Returns an 8-bit indexed copy of the image; a null image for a null input.
    static QImage toIndexed8(const QImage& image);
};

} // namespace tonvex::assetgen
