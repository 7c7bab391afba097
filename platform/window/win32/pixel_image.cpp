#include "pixel_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace tonvex::win32 {
namespace {

// One target pixel's share of the source along one axis: the source cells it covers and how
// much of each.
struct Span {
    int first = 0;
    std::vector<double> weights;
};

std::vector<Span> spans(int sourceLength, int targetLength)
{
    const double step = static_cast<double>(sourceLength) / targetLength;
    std::vector<Span> result(static_cast<std::size_t>(targetLength));
    for (int t = 0; t < targetLength; ++t) {
        const double from = t * step;
        const double to = std::min<double>(sourceLength, from + step);
        Span& span = result[static_cast<std::size_t>(t)];
        span.first = std::min(sourceLength - 1, static_cast<int>(from));
        for (int s = span.first; s < sourceLength && s < to; ++s)
            span.weights.push_back((std::min<double>(s + 1, to) - std::max<double>(s, from)) / (to - from));
    }
    return result;
}

} // namespace

PixelImage resample(const PixelImage& source, int width, int height)
{
    if (source.empty() || width <= 0 || height <= 0)
        return {};
    if (width == source.width && height == source.height)
        return source;
    const std::vector<Span> columns = spans(source.width, width);
    const std::vector<Span> rows = spans(source.height, height);
    PixelImage target{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    for (int y = 0; y < height; ++y) {
        const Span& row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < width; ++x) {
            const Span& column = columns[static_cast<std::size_t>(x)];
            std::array<double, 3> sum{};
            for (std::size_t j = 0; j < row.weights.size(); ++j) {
                const std::uint32_t* line = &source.pixels[static_cast<std::size_t>(row.first + static_cast<int>(j)) * source.width];
                for (std::size_t i = 0; i < column.weights.size(); ++i) {
                    const std::uint32_t pixel = line[static_cast<std::size_t>(column.first) + i];
                    const double weight = row.weights[j] * column.weights[i];
                    for (int c = 0; c < 3; ++c)
                        sum[static_cast<std::size_t>(c)] += weight * ((pixel >> (8 * c)) & 0xffu);
                }
            }
            std::uint32_t pixel = 0;
            for (int c = 0; c < 3; ++c) {
                const long value = std::lround(sum[static_cast<std::size_t>(c)]);
                pixel |= static_cast<std::uint32_t>(std::clamp(value, 0L, 255L)) << (8 * c);
            }
            target.pixels[static_cast<std::size_t>(y) * width + x] = pixel;
        }
    }
    return target;
}

} // namespace tonvex::win32
