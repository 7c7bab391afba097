#include "palette_quantizer.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tonvex::assetgen {

namespace {

constexpr int kPaletteSize = 256;
// Colours covering at least this many pixels are candidates for an exact palette entry.
constexpr int kFlatAreaPixels = 24;
constexpr int kMaxExactColours = 96;

struct WeightedColour {
    QRgb rgb;
    int count;
};

int channel(QRgb c, int which) {
    switch (which) {
    case 0: return qRed(c);
    case 1: return qGreen(c);
    case 2: return qBlue(c);
    default: return qAlpha(c);
    }
}

struct Box {
    std::vector<WeightedColour> colours;

    long long weight() const {
        long long w = 0;
        for (const auto& c : colours) w += c.count;
        return w;
    }

    // Widest channel and its extent.
    std::pair<int, int> widest() const {
        int best = 0;
        int bestRange = -1;
        for (int ch = 0; ch < 4; ++ch) {
            int lo = 255, hi = 0;
            for (const auto& c : colours) {
                lo = std::min(lo, channel(c.rgb, ch));
                hi = std::max(hi, channel(c.rgb, ch));
            }
            if (hi - lo > bestRange) {
                bestRange = hi - lo;
                best = ch;
            }
        }
        return {best, bestRange};
    }

    QRgb mean() const {
        double r = 0, g = 0, b = 0, a = 0, w = 0;
        for (const auto& c : colours) {
            r += double(qRed(c.rgb)) * c.count;
            g += double(qGreen(c.rgb)) * c.count;
            b += double(qBlue(c.rgb)) * c.count;
            a += double(qAlpha(c.rgb)) * c.count;
            w += c.count;
        }
        return qRgba(int(r / w + 0.5), int(g / w + 0.5), int(b / w + 0.5), int(a / w + 0.5));
    }
};

std::vector<QRgb> medianCut(std::vector<WeightedColour> colours, int boxes) {
    std::vector<QRgb> palette;
    if (colours.empty() || boxes <= 0) return palette;
    std::vector<Box> work;
    work.push_back(Box{std::move(colours)});
    while (int(work.size()) < boxes) {
        // Split the box whose spread, weighted by the pixels it covers, is largest.
        int pick = -1;
        double pickScore = 0;
        for (int i = 0; i < int(work.size()); ++i) {
            if (work[i].colours.size() < 2) continue;
            const int range = work[i].widest().second;
            const double score = double(range) * std::sqrt(double(work[i].weight()));
            if (score > pickScore) {
                pickScore = score;
                pick = i;
            }
        }
        if (pick < 0) break;
        Box& box = work[pick];
        const int ch = box.widest().first;
        std::sort(box.colours.begin(), box.colours.end(),
                  [ch](const WeightedColour& a, const WeightedColour& b) {
                      return channel(a.rgb, ch) < channel(b.rgb, ch);
                  });
        const long long half = box.weight() / 2;
        long long acc = 0;
        size_t cut = 1;
        for (; cut < box.colours.size(); ++cut) {
            acc += box.colours[cut - 1].count;
            if (acc >= half) break;
        }
        cut = std::clamp<size_t>(cut, 1, box.colours.size() - 1);
        Box upper{std::vector<WeightedColour>(box.colours.begin() + long(cut), box.colours.end())};
        box.colours.resize(cut);
        work.push_back(std::move(upper));
    }
    for (const auto& box : work) palette.push_back(box.mean());
    return palette;
}

// All fully transparent pixels share one entry whatever their colour bits say.
QRgb opaqueOrClear(QRgb c) {
    return qAlpha(c) == 0 ? 0u : c;
}

int nearest(const std::vector<QRgb>& palette, QRgb c) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < int(palette.size()); ++i) {
        const int dr = qRed(palette[i]) - qRed(c);
        const int dg = qGreen(palette[i]) - qGreen(c);
        const int db = qBlue(palette[i]) - qBlue(c);
        // Green weighs most for the eye; keeps grey ramps smooth.
        const int da = qAlpha(palette[i]) - qAlpha(c);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db + 6 * da * da;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

} // namespace

QImage PaletteQuantizer::toIndexed8(const QImage& image) {
    if (image.isNull()) return {};
    // Straight (not premultiplied) alpha, so a palette entry holds a colour and its opacity.
    const QImage rgb = image.convertToFormat(QImage::Format_ARGB32);

    QHash<QRgb, int> histogram;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++histogram[opaqueOrClear(line[x])];
    }

    std::vector<WeightedColour> colours;
    colours.reserve(size_t(histogram.size()));
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
        colours.push_back({it.key(), it.value()});
    std::sort(colours.begin(), colours.end(),
              [](const WeightedColour& a, const WeightedColour& b) {
                  return a.count != b.count ? a.count > b.count : a.rgb < b.rgb;
              });

    std::vector<QRgb> palette;
    if (int(colours.size()) <= kPaletteSize) {
        for (const auto& c : colours) palette.push_back(c.rgb);
    } else {
        size_t exact = 0;
        while (exact < colours.size() && int(exact) < kMaxExactColours &&
               colours[exact].count >= kFlatAreaPixels)
            palette.push_back(colours[exact++].rgb);
        std::vector<WeightedColour> rest(colours.begin() + long(exact), colours.end());
        for (QRgb c : medianCut(std::move(rest), kPaletteSize - int(palette.size())))
            palette.push_back(c);
    }

    QHash<QRgb, int> lookup;
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    QList<QRgb> table(palette.begin(), palette.end());
    indexed.setColorTable(table);
    indexed.setDevicePixelRatio(image.devicePixelRatio());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = opaqueOrClear(in[x]);
            auto it = lookup.constFind(c);
            if (it == lookup.cend()) it = lookup.insert(c, nearest(palette, c));
            out[x] = uchar(it.value());
        }
    }
    return indexed;
}

} // namespace tonvex::assetgen
