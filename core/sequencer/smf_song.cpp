#include "smf_song.h"

#include <algorithm>
#include <cmath>
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
constexpr std::size_t kDivisionAt = 12; // the header's last two bytes
// SMPTE time as a metrical file: a quarter note a second, or 1.001 s at 29.97 frames a second.
constexpr std::uint32_t kSmpteMicrosPerQuarter = 1000000;
constexpr std::uint32_t kDropFrameMicrosPerQuarter = 1001000;

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
    std::uint32_t payloadSize; // of a system exclusive, after its length; the data bytes otherwise
    std::uint8_t metaType; // for meta events
    bool counts;           // the player keeps it, so it counts for the song's length
};

// How the file counts time: ticks per quarter note, and for SMPTE time the one tempo that
// makes those quarter notes.
struct TimeBase {
    int division = 0;
    bool smpte = false;
    std::uint32_t microsPerQuarter = 0;
};

// The header's division bytes as a time base; throws EngineError for a zero division or an
// SMPTE rate other than the four the standard defines.
TimeBase timeBaseOf(std::uint8_t high, std::uint8_t low)
{
    if (!(high & midi::kSmpteDivisionBit)) {
        const int division = (high << 8) | low;
        if (division == 0)
            refuse("zero division");
        return {division, false, 0};
    }
    if (low == 0)
        refuse("zero ticks per SMPTE frame");
    switch (-static_cast<std::int8_t>(high)) {
    case midi::kSmpte24: return {midi::kSmpte24 * low, true, kSmpteMicrosPerQuarter};
    case midi::kSmpte25: return {midi::kSmpte25 * low, true, kSmpteMicrosPerQuarter};
    case midi::kSmpte30DropFrame: return {midi::kSmpte30 * low, true, kDropFrameMicrosPerQuarter};
    case midi::kSmpte30: return {midi::kSmpte30 * low, true, kSmpteMicrosPerQuarter};
    default: refuse("unknown SMPTE frame rate");
    }
}

// Reads the whole file as the player does, calling onTrack(index) at each track and
// onEvent(event) for each event; throws EngineError where the player would refuse the file.
// Tempo events of a file in SMPTE time are read but not passed on. Returns the time base.
template <class OnTrack, class OnEvent>
TimeBase walkSong(const std::vector<std::uint8_t>& bytes, OnTrack&& onTrack, OnEvent&& onEvent)
{
    Reader in(bytes);
    const std::uint8_t* header = in.take(kHeaderSize);
    // The player checks only these bytes of the header.
    if (std::memcmp(header, "MThd", 4) != 0 || header[7] != 6 || header[9] > 2)
        refuse("no MThd header");
    const TimeBase timeBase = timeBaseOf(header[kDivisionAt], header[kDivisionAt + 1]);
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
            SmfEvent event{tick, status, bytes.data() + dataStart, 0, 0, 0, true};

            if (status == kSysEx) {
                const std::uint32_t size = in.varlen();
                in.take(size);
                event.payloadSize = size;
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
                event.payloadSize = static_cast<std::uint32_t>(dataBytes);
            }
            event.size = in.pos() - dataStart;
            if (!(timeBase.smpte && status == kMeta && event.metaType == kMetaTempo))
                onEvent(event);
        }
        // Whatever follows an early end of track is skipped; a skip past the end of the file
        // only makes the next read fail.
        if (consumed() < trackLength)
            in.skipTo(std::min(bytes.size(), trackStart + static_cast<std::size_t>(trackLength)));
    }
    return timeBase;
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

// A tempo event at delta 0.
void appendTempo(std::vector<std::uint8_t>& out, std::uint32_t microsPerQuarter)
{
    out.insert(out.end(), {0, kMeta, kMetaTempo, kTempoLength, static_cast<std::uint8_t>(microsPerQuarter >> 16),
                           static_cast<std::uint8_t>(microsPerQuarter >> 8),
                           static_cast<std::uint8_t>(microsPerQuarter)});
}

} // namespace

SmfSong SmfSong::parse(std::vector<std::uint8_t> bytes)
{
    // Events are found again by their 32-bit offsets.
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        refuse("file larger than 4 GiB");
    SmfSong song;
    std::int64_t trackEnd = 0;
    auto closeTrack = [&] { song.m_endTick = std::max(song.m_endTick, trackEnd); };
    const TimeBase timeBase = walkSong(
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
    song.m_division = timeBase.division;
    song.m_smpte = timeBase.smpte;
    if (timeBase.smpte)
        song.m_tempoMap.push_back({0, timeBase.microsPerQuarter});
    std::stable_sort(song.m_tempoMap.begin(), song.m_tempoMap.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    song.mapTime();
    song.m_bytes = std::move(bytes);
    return song;
}

void SmfSong::mapTime()
{
    m_spans.assign(1, TempoSpan{0, kDefaultMicrosPerQuarter, 0.0});
    for (const TempoChange& change : m_tempoMap) {
        TempoSpan& last = m_spans.back();
        // Of two changes at one tick the later wins.
        if (change.tick == last.tick) {
            last.microsPerQuarter = change.microsPerQuarter;
            continue;
        }
        const double start =
            last.startMicros + static_cast<double>(change.tick - last.tick) * last.microsPerQuarter / m_division;
        m_spans.push_back({change.tick, change.microsPerQuarter, start});
    }
}

const SmfSong::TempoSpan& SmfSong::spanAtTick(std::int64_t tick) const
{
    const auto after = std::upper_bound(m_spans.begin(), m_spans.end(), tick,
                                        [](std::int64_t t, const TempoSpan& span) { return t < span.tick; });
    return *std::prev(after); // the first span starts at tick 0
}

std::vector<std::uint8_t> SmfSong::bytesFrom(std::int64_t startTick) const
{
    if (startTick <= 0 && !m_smpte)
        return m_bytes;
    startTick = std::max<std::int64_t>(startTick, 0);
    std::vector<std::uint8_t> out(m_bytes.begin(), m_bytes.begin() + kHeaderSize);
    if (m_smpte) {
        out[kDivisionAt] = static_cast<std::uint8_t>(m_division >> 8);
        out[kDivisionAt + 1] = static_cast<std::uint8_t>(m_division);
    }
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
        [&](unsigned track) {
            finishTrack();
            out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
            lengthAt = out.size() - 4;
            lastTick = startTick;
            // The walk leaves out an SMPTE file's tempo events; its one tempo opens the song.
            if (m_smpte && track == 0)
                appendTempo(out, m_tempoMap.front().microsPerQuarter);
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

std::vector<PlayableEvent> SmfSong::playableEvents() const
{
    std::vector<PlayableEvent> events;
    walkSong(
        m_bytes, [](unsigned) {},
        [&](const SmfEvent& event) {
            if (event.status == kMeta || event.payloadSize == 0)
                return;
            const auto end = static_cast<std::uint32_t>(event.data + event.size - m_bytes.data());
            events.push_back({event.tick, end - event.payloadSize, event.payloadSize,
                              static_cast<std::uint8_t>(event.status)});
        });
    // Tracks come one after the other, each in time order: a stable sort keeps the track order
    // at one tick.
    std::stable_sort(events.begin(), events.end(),
                     [](const PlayableEvent& a, const PlayableEvent& b) { return a.tick < b.tick; });
    return events;
}

std::span<const std::uint8_t> SmfSong::dataOf(const PlayableEvent& event) const
{
    return std::span<const std::uint8_t>(m_bytes).subspan(event.offset, event.size);
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
    return kMicrosPerMinute / spanAtTick(toFileTick(time)).microsPerQuarter;
}

double SmfSong::secondsAt(MusicTime time) const
{
    return microsAt(toFileTick(time)) / 1e6;
}

double SmfSong::microsAt(std::int64_t tick) const
{
    if (tick <= 0)
        return 0.0;
    const TempoSpan& span = spanAtTick(tick);
    return span.startMicros + static_cast<double>(tick - span.tick) * span.microsPerQuarter / m_division;
}

std::int64_t SmfSong::tickAt(double micros) const
{
    if (!(micros > 0.0))
        return 0;
    const auto after = std::upper_bound(m_spans.begin(), m_spans.end(), micros,
                                        [](double m, const TempoSpan& span) { return m < span.startMicros; });
    const TempoSpan& span = *std::prev(after);
    return span.tick
        + static_cast<std::int64_t>(std::floor((micros - span.startMicros) * m_division / span.microsPerQuarter));
}

} // namespace tonvex
