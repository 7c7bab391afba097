#include "smf_song.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "midi_bytes.h"

namespace tonvex {
namespace {

using midi::kChannelPressure;
using midi::kControlChange;
using midi::kDataBits;
using midi::kDefaultMicrosPerQuarter;
using midi::kMaxQuantityBytes;
using midi::kMeta;
using midi::kMetaEndOfTrack;
using midi::kMetaKeySignature;
using midi::kMetaLyric;
using midi::kMetaSmpteOffset;
using midi::kMetaTempo;
using midi::kMetaText;
using midi::kMetaTimeSignature;
using midi::kMicrosPerMinute;
using midi::kNoteOff;
using midi::kNoteOn;
using midi::kPitchBend;
using midi::kPolyPressure;
using midi::kProgramChange;
using midi::kStatusBit;
using midi::kSysEx;
using midi::kTempoLength;
using midi::kTypeMask;
constexpr std::size_t kHeaderSize = midi::kHeaderChunkBytes;

[[noreturn]] void refuse(const std::string& why)
{
    throw EngineError("cannot play this MIDI file: " + why);
}

// Reads one file the way the player does; positions are offsets into the bytes.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    std::uint8_t byte()
    {
        if (m_pos >= m_bytes.size())
            refuse("unexpected end of file");
        return m_bytes[m_pos++];
    }

    const std::uint8_t* take(std::size_t count)
    {
        if (count > m_bytes.size() - m_pos)
            refuse("unexpected end of file");
        const std::uint8_t* start = m_bytes.data() + m_pos;
        m_pos += count;
        return start;
    }

    std::uint32_t varlen()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < kMaxQuantityBytes; ++i) {
            const std::uint8_t c = byte();
            value = (value << 7) | (c & kDataBits);
            if (!(c & kStatusBit))
                return value;
        }
        refuse("variable-length number longer than four bytes");
    }

    // The player reads a chunk length as a signed 32-bit number.
    std::int32_t chunkLength()
    {
        const std::uint8_t* b = take(4);
        return static_cast<std::int32_t>((std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16)
                                         | (std::uint32_t{b[2]} << 8) | b[3]);
    }

    std::size_t pos() const { return m_pos; }
    void skipTo(std::size_t pos) { m_pos = pos; }

private:
    const std::vector<std::uint8_t>& m_bytes;
    std::size_t m_pos = 0;
};

// The player compares chunk ids as C strings: a zero byte ends the id.
bool isTrackId(const std::uint8_t* id)
{
    return std::memcmp(id, "MTrk", 4) == 0;
}

// Length a meta event must have for the player to accept the file; -1 for any.
int requiredMetaLength(std::uint8_t type)
{
    switch (type) {
    case kMetaEndOfTrack: return 0;
    case kMetaTempo: return kTempoLength;
    case kMetaSmpteOffset: return 5;
    case kMetaTimeSignature: return 4;
    case kMetaKeySignature: return 2;
    default: return -1;
    }
}

// Channel message data bytes by status nibble; -1 for a status the player rejects.
int channelDataBytes(int status)
{
    switch (status & kTypeMask) {
    case kNoteOff: case kNoteOn: case kPolyPressure: case kControlChange: case kPitchBend: return 2;
    case kProgramChange: case kChannelPressure: return 1;
    default: return -1;
    }
}

// One event as the player reads it: running status resolved, `data` is what follows the
// status byte.
struct SmfEvent {
    std::int64_t tick;
    int status;
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t metaType; // for meta events
    bool counts;           // the player keeps it, so it counts for the song's length
};

// Reads the whole file as the player does, calling onTrack(index) at each track and
// onEvent(event) for each event; throws EngineError where the player would refuse the file.
// Returns the division.
template <class OnTrack, class OnEvent>
int walkSong(const std::vector<std::uint8_t>& bytes, OnTrack&& onTrack, OnEvent&& onEvent)
{
    Reader in(bytes);
    const std::uint8_t* header = in.take(kHeaderSize);
    // The player checks only these bytes of the header.
    if (std::memcmp(header, "MThd", 4) != 0 || header[7] != 6 || header[9] > 2)
        refuse("no MThd header");
    if (header[12] & 0x80)
        refuse("SMPTE division");
    const int division = (header[12] << 8) | header[13];
    if (division == 0)
        refuse("zero division");
    const unsigned trackCount = header[11] + (unsigned{header[10]} << 16);

    // Running status is kept across tracks, and meta and system exclusive events set it too.
    int runningStatus = -1;
    for (unsigned track = 0; track < trackCount; ++track) {
        const std::uint8_t* id = in.take(4);
        if (!isTrackId(id))
            refuse("chunk other than MTrk where a track was expected");
        const std::int32_t trackLength = in.chunkLength();
        const std::size_t trackStart = in.pos();
        onTrack(track);
        std::int64_t tick = 0;
        bool endOfTrack = false;
        auto consumed = [&] { return static_cast<std::int64_t>(in.pos() - trackStart); };

        while (!endOfTrack && consumed() < trackLength) {
            tick += in.varlen();
            int status = in.byte();
            if (!(status & kStatusBit)) {
                if (runningStatus < kStatusBit)
                    refuse("data byte without running status");
                in.skipTo(in.pos() - 1);
                status = runningStatus;
            }
            runningStatus = status;
            const std::size_t dataStart = in.pos();
            SmfEvent event{tick, status, bytes.data() + dataStart, 0, 0, true};

            if (status == kSysEx) {
                const std::uint32_t size = in.varlen();
                in.take(size);
                event.counts = size > 0;
            } else if (status == kMeta) {
                event.metaType = in.byte();
                const std::uint32_t size = in.varlen();
                in.take(size);
                const int required = requiredMetaLength(event.metaType);
                if (required >= 0 && size != static_cast<std::uint32_t>(required))
                    refuse("meta event of the wrong length");
                endOfTrack = event.metaType == kMetaEndOfTrack;
                event.counts = event.metaType == kMetaEndOfTrack || event.metaType == kMetaTempo
                               || event.metaType == kMetaText || event.metaType == kMetaLyric;
            } else {
                const int dataBytes = channelDataBytes(status);
                if (dataBytes < 0)
                    refuse("unsupported status byte");
                in.take(static_cast<std::size_t>(dataBytes));
            }
            event.size = in.pos() - dataStart;
            onEvent(event);
        }
        // Whatever follows an early end of track is skipped; a skip past the end of the file
        // only makes the next read fail.
        if (consumed() < trackLength)
            in.skipTo(std::min(bytes.size(), trackStart + static_cast<std::size_t>(trackLength)));
    }
    return division;
}

// The tempo in a tempo meta event's data (after type and length).
std::uint32_t tempoOf(const SmfEvent& event)
{
    const std::uint8_t* d = event.data + 2; // type, length 3
    return (std::uint32_t{d[0]} << 16) | (std::uint32_t{d[1]} << 8) | d[2];
}

void appendVarlen(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    std::uint8_t groups[10];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & kDataBits);
        value >>= 7;
    } while (value);
    while (count > 1)
        out.push_back(groups[--count] | kStatusBit);
    out.push_back(groups[0]);
}

} // namespace

SmfSong SmfSong::parse(std::vector<std::uint8_t> bytes)
{
    SmfSong song;
    std::int64_t trackEnd = 0;
    auto closeTrack = [&] { song.m_endTick = std::max(song.m_endTick, trackEnd); };
    song.m_division = walkSong(
        bytes,
        [&](unsigned) {
            closeTrack();
            trackEnd = 0;
        },
        [&](const SmfEvent& event) {
            if (!event.counts)
                return;
            trackEnd = event.tick;
            if (event.status == kMeta && event.metaType == kMetaTempo) {
                const std::uint32_t micros = tempoOf(event);
                if (micros > 0) // the player ignores a zero tempo
                    song.m_tempoMap.push_back({event.tick, micros});
            }
        });
    closeTrack();
    std::stable_sort(song.m_tempoMap.begin(), song.m_tempoMap.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    song.m_bytes = std::move(bytes);
    return song;
}

std::vector<std::uint8_t> SmfSong::bytesFrom(std::int64_t startTick) const
{
    if (startTick <= 0)
        return m_bytes;
    std::vector<std::uint8_t> out(m_bytes.begin(), m_bytes.begin() + kHeaderSize);
    std::size_t lengthAt = 0;
    std::int64_t lastTick = 0;
    auto finishTrack = [&] {
        if (lengthAt == 0)
            return;
        const std::size_t length = out.size() - lengthAt - 4;
        for (int i = 0; i < 4; ++i)
            out[lengthAt + i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    };
    walkSong(
        m_bytes,
        [&](unsigned) {
            finishTrack();
            out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
            lengthAt = out.size() - 4;
            lastTick = startTick;
        },
        [&](const SmfEvent& event) {
            const int kind = event.status & kTypeMask;
            // Before the start only the state-setting events survive, all at the start.
            if (event.tick < startTick && (kind == kNoteOff || kind == kNoteOn || kind == kPolyPressure))
                return;
            const std::int64_t tick = std::max(event.tick, startTick);
            appendVarlen(out, static_cast<std::uint64_t>(tick - lastTick));
            lastTick = tick;
            out.push_back(static_cast<std::uint8_t>(event.status));
            out.insert(out.end(), event.data, event.data + event.size);
        });
    finishTrack();
    return out;
}

MusicTime SmfSong::toMusicTime(std::int64_t tick) const
{
    const std::int64_t time = tick * kTicksPerQuarter / m_division;
    return static_cast<MusicTime>(
        std::clamp<std::int64_t>(time, 0, std::numeric_limits<MusicTime>::max()));
}

std::int64_t SmfSong::toFileTick(MusicTime time) const
{
    if (time <= 0)
        return 0;
    return static_cast<std::int64_t>(time) * m_division / kTicksPerQuarter;
}

double SmfSong::tempoAt(MusicTime time) const
{
    const std::int64_t tick = toFileTick(time);
    std::uint32_t micros = kDefaultMicrosPerQuarter;
    for (const TempoChange& change : m_tempoMap) {
        if (change.tick > tick)
            break;
        micros = change.microsPerQuarter;
    }
    return kMicrosPerMinute / micros;
}

double SmfSong::secondsAt(MusicTime time) const
{
    const std::int64_t tick = toFileTick(time);
    double micros = 0.0;
    std::int64_t from = 0;
    std::uint32_t microsPerQuarter = kDefaultMicrosPerQuarter;
    for (const TempoChange& change : m_tempoMap) {
        if (change.tick >= tick)
            break;
        micros += static_cast<double>(change.tick - from) * microsPerQuarter / m_division;
        from = change.tick;
        microsPerQuarter = change.microsPerQuarter;
    }
    micros += static_cast<double>(tick - from) * microsPerQuarter / m_division;
    return micros / 1e6;
}

} // namespace tonvex
