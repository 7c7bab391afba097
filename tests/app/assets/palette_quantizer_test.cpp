// The reduction to 256 colours used for the skin and the icon.
#include "palette_quantizer.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QSet>

#include <algorithm>
#include <cstdlib>

using tonvex::assetgen::PaletteQuantizer;

namespace {

int channelError(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

// A smooth two-way colour ramp (about 40 000 colours) with a flat block in its middle.
QImage rampWithFlatBlock(QRgb flat) {
    QImage image(200, 200, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x, y, (x + y) / 2));
    for (int y = 60; y < 140; ++y)
        for (int x = 60; x < 140; ++x) image.setPixel(x, y, flat);
    return image;
}

TEST(PaletteQuantizer, KeepsAPictureOfFewColoursExactly) {
    QImage image(64, 48, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb((x / 4) * 16, (y / 4) * 20, 77));  // 192 colours
    const QImage indexed = PaletteQuantizer::toIndexed8(image);
    ASSERT_EQ(indexed.format(), QImage::Format_Indexed8);
    ASSERT_EQ(indexed.size(), image.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ASSERT_EQ(indexed.pixel(x, y), image.pixel(x, y));
}

TEST(PaletteQuantizer, ManyColoursFitIn256AndStayClose) {
    const QRgb flat = qRgb(0x24, 0x26, 0x2a);
    const QImage image = rampWithFlatBlock(flat);
    const QImage indexed = PaletteQuantizer::toIndexed8(image);
    ASSERT_EQ(indexed.format(), QImage::Format_Indexed8);
    EXPECT_LE(indexed.colorCount(), 256);
    int worst = 0;
    QSet<QRgb> used;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            worst = std::max(worst, channelError(indexed.pixel(x, y), image.pixel(x, y)));
            used.insert(indexed.pixel(x, y));
        }
    EXPECT_LE(worst, 16);
    // The palette is spent on the picture, not wasted on a few entries.
    EXPECT_GT(used.size(), 200);
    // A large flat area keeps its exact colour, so a face painted on it matches.
    for (int y = 60; y < 140; ++y)
        for (int x = 60; x < 140; ++x) ASSERT_EQ(indexed.pixel(x, y), flat);
}

TEST(PaletteQuantizer, TransparencySurvives) {
    QImage image = rampWithFlatBlock(qRgb(200, 30, 20));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgba(x, 255 - x, 9, 0));
    const QImage indexed = PaletteQuantizer::toIndexed8(image);
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(qAlpha(indexed.pixel(x, 5)), 0);
        EXPECT_EQ(qAlpha(indexed.pixel(x, 100)), 255);
    }
}

TEST(PaletteQuantizer, NullInNullOut) {
    EXPECT_TRUE(PaletteQuantizer::toIndexed8(QImage()).isNull());
}

} // namespace
