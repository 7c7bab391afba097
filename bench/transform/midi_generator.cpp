#include "midi_generator.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace tonvex::bench {

namespace {

constexpr int kTracks = 16;

void putBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int size)
{
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putQuantity(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    int count = 0;
    do {
        bytes[count++] = value & 0x7F;
        value >>= 7;
    } while (value != 0 && count < 4);
    while (count > 1)
        out.push_back(bytes[--count] | 0x80);
    out.push_back(bytes[0]);
}

// The events of one track, `size` bytes or a little more, ending with end-of-track.
std::vector<std::uint8_t> trackEvents(int channel, std::size_t size)
{
    std::vector<std::uint8_t> events;
    events.reserve(size + 64);
    const auto status = static_cast<std::uint8_t>(0x90 | channel);
    std::uint32_t step = 0;
    while (events.size() < size) {
        ++step;
        if (step % 97 == 0) {
            events.insert(events.end(), {0x00, 0xFF, 0x05, 0x04, 'l', 'a', 'l', 'a'}); // lyric
        } else if (step % 1009 == 0) {
            events.insert(events.end(), {0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}); // GM on
        } else if (step % 4001 == 0) {
            events.insert(events.end(), {0x00, 0xFF, 0x01, 0x0A});
            events.insert(events.end(), 10, 't'); // text
        }
        const auto note = static_cast<std::uint8_t>(24 + (step * 7) % 80);
        if (step % 64 == 1) {
            events.insert(events.end(), {0x00, status, note, 0x50}); // status byte now and then
        } else {
            putQuantity(events, step % 3 == 0 ? 200 : 10);
            events.insert(events.end(), {note, static_cast<std::uint8_t>(step % 2 ? 0x50 : 0x00)});
        }
    }
    events.insert(events.end(), {0x00, 0xFF, 0x2F, 0x00});
    return events;
}

} // namespace

bool writeDenseMidiFile(const std::string& path, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<std::uint8_t> header{'M', 'T', 'h', 'd'};
    putBigEndian(header, 6, 4);
    putBigEndian(header, 1, 2);
    putBigEndian(header, kTracks, 2);
    putBigEndian(header, 480, 2);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    for (int track = 0; track < kTracks; ++track) {
        const std::vector<std::uint8_t> events = trackEvents(track % 16, size / kTracks);
        std::vector<std::uint8_t> chunk{'M', 'T', 'r', 'k'};
        putBigEndian(chunk, static_cast<std::uint32_t>(events.size()), 4);
        out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(chunk.size()));
        out.write(reinterpret_cast<const char*>(events.data()), static_cast<std::streamsize>(events.size()));
    }
    return static_cast<bool>(out.flush());
}

} // namespace tonvex::bench
