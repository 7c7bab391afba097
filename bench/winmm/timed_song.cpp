#include "timed_song.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tonvex::bench {
namespace {

constexpr int kDivision = 480;
constexpr int kEighth = kDivision / 2;
constexpr int kSixteenth = kDivision / 4;
constexpr std::array<std::uint32_t, 5> kTempos{500000, 400000, 666667, 300000, 833333};

void appendVarlen(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value);
    while (count > 1)
        out.push_back(groups[--count] | 0x80);
    out.push_back(groups[0]);
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

} // namespace

std::vector<std::uint8_t> songWithTempoChanges(int quarters)
{
    std::vector<std::pair<int, std::vector<std::uint8_t>>> events; // tick, bytes
    for (int quarter = 0; quarter < quarters; quarter += 2) {
        const std::uint32_t tempo = kTempos[static_cast<std::size_t>(quarter / 2) % kTempos.size()];
        events.push_back({quarter * kDivision, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(tempo >> 16),
                                                static_cast<std::uint8_t>(tempo >> 8), static_cast<std::uint8_t>(tempo)}});
    }
    for (int eighth = 0; eighth < quarters * 2; ++eighth) {
        const auto note = static_cast<std::uint8_t>(48 + eighth % 24);
        const auto bass = static_cast<std::uint8_t>(36 + eighth % 12);
        events.push_back({eighth * kEighth, {0x90, note, 100}});
        events.push_back({eighth * kEighth, {0x91, bass, 80}});
        events.push_back({eighth * kEighth + kSixteenth, {0x80, note, 0}});
        events.push_back({eighth * kEighth + kEighth, {0x81, bass, 0}});
    }
    std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<std::uint8_t> track;
    int last = 0;
    for (const auto& [tick, bytes] : events) {
        appendVarlen(track, static_cast<std::uint32_t>(tick - last));
        last = tick;
        track.insert(track.end(), bytes.begin(), bytes.end());
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});

    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
    appendBigEndian(file, kDivision, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    appendBigEndian(file, static_cast<std::uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

} // namespace tonvex::bench
