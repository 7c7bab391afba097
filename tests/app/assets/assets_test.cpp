// The embedded artwork: sizes, colour depths, and the pixels the window's controls rely on.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kPngTruecolour = 2;
constexpr int kPngPalette = 3;

struct PngHeader {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = -1;
};

// The IHDR chunk, which always follows the 8-byte signature.
PngHeader readHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.read(26);
    if (bytes.size() < 26 || !bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.mid(12, 4) != "IHDR")
        return {};
    auto be32 = [&](int at) {
        return (uchar(bytes[at]) << 24) | (uchar(bytes[at + 1]) << 16) | (uchar(bytes[at + 2]) << 8) |
               uchar(bytes[at + 3]);
    };
    return {int(be32(16)), int(be32(20)), uchar(bytes[24]), uchar(bytes[25])};
}

QString resource(const char* name, int scale) {
    return QStringLiteral(":/tonvex/%1%2.png").arg(QLatin1String(name), scale == 2 ? "@2x" : "");
}

QImage load(const char* name, int scale) {
    QImage image(resource(name, scale));
    return image.convertToFormat(QImage::Format_ARGB32);
}

QRect scaled(const QRect& r, int scale) {
    return {r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale};
}

// WCAG relative luminance of an sRGB colour.
double luminance(QRgb c) {
    auto lin = [](int v) {
        const double s = v / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(qRed(c)) + 0.7152 * lin(qGreen(c)) + 0.0722 * lin(qBlue(c));
}

double contrast(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// Lightest and darkest luminance inside a rectangle.
std::pair<double, double> luminanceRange(const QImage& image, const QRect& r) {
    double lo = 1, hi = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double l = luminance(image.pixel(x, y));
            lo = std::min(lo, l);
            hi = std::max(hi, l);
        }
    return {lo, hi};
}

bool isRed(QRgb c) { return qRed(c) > 170 && qGreen(c) < 110 && qBlue(c) < 110; }

int countRed(const QImage& image, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += isRed(image.pixel(x, y));
    return n;
}

struct Picture {
    const char* name;
    int width;
    int height;
    int colourType;
};

const std::vector<Picture> kPictures{
    {"skin", 480, 320, kPngPalette},     {"icon", 32, 32, kPngPalette},
    {"play", 37, 42, kPngTruecolour},    {"stop", 37, 42, kPngTruecolour},
    {"select", 52, 48, kPngTruecolour},  {"about", 320, 213, kPngTruecolour},
};

struct Lit {
    const char* face;
    QPoint at;
};

// Every place where a face lights up over the skin.
const std::vector<Lit> kLitPlaces{
    {"play", {32, 109}},    {"stop", {69, 108}},    {"play", {375, 177}},   {"stop", {414, 174}},
    {"select", {28, 237}},  {"select", {99, 237}},  {"select", {170, 237}}, {"select", {240, 237}},
    {"select", {311, 237}},
};

class AssetsAtScale : public ::testing::TestWithParam<int> {};

TEST_P(AssetsAtScale, EveryPictureHasItsSizeAndColourDepth) {
    const int scale = GetParam();
    for (const auto& pic : kPictures) {
        SCOPED_TRACE(pic.name);
        const PngHeader header = readHeader(resource(pic.name, scale));
        EXPECT_EQ(header.width, pic.width * scale);
        EXPECT_EQ(header.height, pic.height * scale);
        // 8 bits per sample: an 8-bit palette (256 colours) or 24-bit colour without alpha.
        EXPECT_EQ(header.bitDepth, 8);
        EXPECT_EQ(header.colourType, pic.colourType);
        EXPECT_FALSE(QImage(resource(pic.name, scale)).isNull());
    }
}

TEST_P(AssetsAtScale, PathBoxesArePureWhiteUnderTheirLabels) {
    const int scale = GetParam();
    const QImage skin = load("skin", scale);
    for (const QRect& label : {QRect(132, 117, 307, 28), QRect(42, 183, 307, 28)}) {
        const QRect r = scaled(label, scale);
        int notWhite = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) notWhite += skin.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_EQ(notWhite, 0) << "label at " << label.x() << "," << label.y();
    }
}

TEST_P(AssetsAtScale, WhiteLegendsAndTimeReadOnThePanel) {
    const int scale = GetParam();
    const QImage skin = load("skin", scale);
    const std::vector<QRect> whiteText{
        {33, 153, 34, 16},  {381, 219, 34, 16}, {72, 153, 34, 16},  {123, 153, 61, 16},
        {288, 219, 73, 16}, {417, 219, 34, 16}, {36, 288, 43, 16},  {101, 288, 50, 16},
        {171, 288, 73, 16}, {247, 288, 62, 16}, {323, 288, 52, 16},
        {185, 153, 35, 16}, {250, 219, 34, 16},  // the time display at both of its places
    };
    for (const QRect& label : whiteText) {
        const double lightest = luminanceRange(skin, scaled(label, scale)).second;
        EXPECT_GE(contrast(1.0, lightest), 7.0) << "legend at " << label.x() << "," << label.y();
    }
}

TEST_P(AssetsAtScale, DarkCloseLabelReadsInBothOfItsPlaces) {
    const int scale = GetParam();
    const QImage skin = load("skin", scale);
    // The label, and where it sits while pressed.
    for (const QRect& label : {QRect(453, 12, 13, 13), QRect(454, 13, 13, 13)}) {
        const double darkest = luminanceRange(skin, scaled(label, scale)).first;
        EXPECT_GE(contrast(0.0, darkest), 7.0);
    }
}

TEST_P(AssetsAtScale, LitFacesBlendIntoTheSkinAndLightUpRed) {
    const int scale = GetParam();
    const QImage skin = load("skin", scale);
    for (const auto& place : kLitPlaces) {
        SCOPED_TRACE(std::string(place.face) + " at " + std::to_string(place.at.x()) + "," +
                     std::to_string(place.at.y()));
        const QImage face = load(place.face, scale);
        const QPoint origin = place.at * scale;
        // The face's outer ring matches the skin around it, so no seam shows when it is lit.
        int worst = 0;
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x) {
                if (x > 1 && y > 1 && x < face.width() - 2 && y < face.height() - 2) continue;
                const QRgb f = face.pixel(x, y);
                const QRgb s = skin.pixel(origin + QPoint(x, y));
                worst = std::max({worst, std::abs(qRed(f) - qRed(s)), std::abs(qGreen(f) - qGreen(s)),
                                  std::abs(qBlue(f) - qBlue(s))});
            }
        EXPECT_LE(worst, 3);
        // Lit means red; the same spot of the skin shows the unlit grey control.
        const QRect area(QPoint(0, 0), face.size());
        EXPECT_GT(countRed(face, area), 20 * scale * scale);
        EXPECT_EQ(countRed(skin, area.translated(origin)), 0);
    }
}

TEST_P(AssetsAtScale, GreyRoundButtonsSitUnderTheTransformationButtons) {
    const int scale = GetParam();
    const QImage skin = load("skin", scale);
    for (int x : {28, 99, 170, 240, 311}) {
        SCOPED_TRACE(x);
        // Centre of the button's cap, and its top and bottom edges at about y 243 and 278.
        const QRgb centre = skin.pixel(QPoint(x + 26, 261) * scale);
        EXPECT_LE(std::abs(qRed(centre) - qBlue(centre)), 16);
        EXPECT_GT(luminance(centre), 0.25);
        EXPECT_GT(luminance(skin.pixel(QPoint(x + 26, 247) * scale)), 0.2);
        EXPECT_GT(luminance(skin.pixel(QPoint(x + 26, 275) * scale)), 0.05);
        EXPECT_LT(luminance(skin.pixel(QPoint(x + 26, 239) * scale)), 0.03);
    }
}

TEST_P(AssetsAtScale, MakersMarkLiesUnderTheAboutHotZone) {
    const int scale = GetParam();
    const QImage skin = load("skin", scale);
    const auto [lo, hi] = luminanceRange(skin, scaled(QRect(387, 294, 82, 16), scale));
    EXPECT_GE(contrast(lo, hi), 3.0);
    EXPECT_GT(countRed(skin, scaled(QRect(387, 294, 82, 16), scale)), 0);
}

TEST_P(AssetsAtScale, AboutPictureHasItsCloseMarkTopRight) {
    const int scale = GetParam();
    const QImage about = load("about", scale);
    const auto [lo, hi] = luminanceRange(about, scaled(QRect(280, 4, 36, 30), scale));
    EXPECT_GE(contrast(lo, hi), 4.5);
    // The rest of the top edge beside the name is plain panel.
    const auto [lo2, hi2] = luminanceRange(about, scaled(QRect(200, 4, 60, 12), scale));
    EXPECT_LT(contrast(lo2, hi2), 2.0);
}

TEST_P(AssetsAtScale, IconHasTransparentCornersAndAnOpaqueTile) {
    const int scale = GetParam();
    const QImage icon = load("icon", scale);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(icon.width() - 1, icon.height() - 1)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(icon.width() / 2, icon.height() / 2)), 255);
    EXPECT_EQ(qAlpha(icon.pixel(icon.width() / 2, 2 * scale)), 255);
}

INSTANTIATE_TEST_SUITE_P(Scales, AssetsAtScale, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "Normal" : "HighDensity"; });

TEST(Assets, HighDensityPicturesAreDrawnAnewNotEnlarged) {
    // An enlarged picture repeats every pixel in 2 x 2 blocks; a redrawn one does not.
    for (const char* name : {"skin", "about", "play", "stop", "select", "icon"}) {
        SCOPED_TRACE(name);
        const QImage big = load(name, 2);
        int blocks = 0, uniform = 0;
        for (int y = 0; y + 1 < big.height(); y += 2)
            for (int x = 0; x + 1 < big.width(); x += 2) {
                const QRgb c = big.pixel(x, y);
                if (c == big.pixel(x + 1, y) && c == big.pixel(x, y + 1) && c == big.pixel(x + 1, y + 1)) ++uniform;
                ++blocks;
            }
        // Flat areas repeat anyway; edges and grain must not.
        EXPECT_LT(double(uniform) / blocks, 0.9);
    }
}

} // namespace
