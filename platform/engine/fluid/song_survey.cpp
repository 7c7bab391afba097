#include "song_survey.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>

#include "midi_bytes.h"

namespace tonvex {
namespace {

using namespace midi;

constexpr int kDrumChannel = kPercussionChannel - 1; // counted from 0
constexpr int kDrumBank = 128;
constexpr std::uint8_t kPedalDown = 64;
constexpr int kDefaultVolume = 100;
constexpr int kFullScale = 127;
constexpr std::size_t kChunkHeader = 8;

// The synthesizer resets on General MIDI System On (kGeneralMidiOn) and on this Roland GS
// reset, whatever their device number (the byte after the maker's); here without the F0.
constexpr std::array<std::uint8_t, 7> kGsReset{0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F};
// GS "use for rhythm part": 41 dev 42 12 40 1x 15 map; x names the part.
constexpr std::array<std::uint8_t, 4> kGsHead{0x41, 0x00, 0x42, 0x12};
constexpr std::uint8_t kGsPatchBlock = 0x40;
constexpr std::uint8_t kGsPartBlock = 0x10; // the part's address byte: 0x1x, x the part
constexpr std::uint8_t kGsPartMask = 0x0F;
constexpr std::uint8_t kGsRhythmPart = 0x15;

// What the survey keeps of an event: channel messages as they are, and two kinds of system
// exclusive message as made-up statuses.
enum class Kind : std::uint8_t { Channel, Reset, RhythmPart };
struct Event {
    std::int64_t tick;
    Kind kind;
    std::uint8_t status; // channel messages: status byte; rhythm part: the channel
    std::uint8_t data1;
    std::uint8_t data2;
};

std::uint32_t be32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The part number of a GS message to the channel it drives: part 10 is first, then 1 to 9,
// then 11 to 16.
int gsPartChannel(int part)
{
    if (part == 0)
        return kDrumChannel;
    return part <= 9 ? part - 1 : part;
}

void readSysEx(const std::uint8_t* data, std::size_t size, std::int64_t tick, std::vector<Event>& events)
{
    // Device numbers (second byte) vary; compare the rest.
    auto gsLike = [&](std::size_t length) {
        return size >= length && data[0] == kGsHead[0] && data[2] == kGsHead[2] && data[3] == kGsHead[3];
    };
    // kGeneralMidiOn with its F0: maker, device, then the message.
    if ((size >= 4 && data[0] == kGeneralMidiOn[1] && data[2] == kGeneralMidiOn[3] && data[3] == kGeneralMidiOn[4])
        || (gsLike(kGsReset.size()) && data[4] == kGsReset[4] && data[5] == kGsReset[5] && data[6] == kGsReset[6])) {
        events.push_back({tick, Kind::Reset, 0, 0, 0});
        return;
    }
    if (gsLike(8) && data[4] == kGsPatchBlock && (data[5] & ~kGsPartMask) == kGsPartBlock
        && data[6] == kGsRhythmPart)
        events.push_back({tick, Kind::RhythmPart, static_cast<std::uint8_t>(gsPartChannel(data[5] & kGsPartMask)),
                          data[7], 0});
}

// Whether the survey looks at a channel message: notes, program changes and the controllers
// that choose a bank, scale a note or hold it.
bool counts(std::uint8_t status, std::uint8_t data1)
{
    switch (status & kTypeMask) {
    case kNoteOff:
    case kNoteOn:
    case kProgramChange: return true;
    case kControlChange:
        return data1 == kBankSelect || data1 == kVolume || data1 == kExpression || data1 == kSustain
               || data1 == kAllSoundOff || data1 == kResetAllControllers || data1 == kAllNotesOff;
    default: return false;
    }
}

// The events of one track chunk, appended in order.
void readTrack(const std::uint8_t* p, const std::uint8_t* end, std::vector<Event>& events)
{
    std::int64_t tick = 0;
    std::uint8_t running = 0;
    auto varlen = [&](std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < kMaxQuantityBytes; ++i) {
            if (p >= end)
                return false;
            const std::uint8_t c = *p++;
            value = (value << 7) | (c & kDataBits);
            if (!(c & kStatusBit))
                return true;
        }
        return false;
    };
    while (p < end) {
        std::uint32_t delta = 0;
        if (!varlen(delta) || p >= end)
            return;
        tick += delta;
        const std::uint8_t first = *p;
        if (first == kMeta) {
            std::uint32_t length = 0;
            if (end - p < 2)
                return;
            const std::uint8_t type = p[1];
            p += 2;
            if (!varlen(length) || length > std::size_t(end - p) || type == kMetaEndOfTrack)
                return;
            p += length;
            continue;
        }
        if (first == kSysEx || first == kSysExEscape) {
            ++p;
            std::uint32_t length = 0;
            if (!varlen(length) || length > std::size_t(end - p))
                return;
            if (first == kSysEx)
                readSysEx(p, length, tick, events);
            p += length;
            continue;
        }
        if (first & kStatusBit) {
            if (first > kSysEx) // system messages have no place in a file
                return;
            running = first;
            ++p;
        } else if (!running) {
            return;
        }
        const int count = channelDataBytes(running);
        if (end - p < count)
            return;
        if (counts(running, p[0]))
            events.push_back({tick, Kind::Channel, running, p[0], count == 2 ? p[1] : std::uint8_t{0}});
        p += count;
    }
}

// Every event of every track, in the order the player sends them: by time, and at one time by
// track.
std::vector<Event> readEvents(const std::vector<std::uint8_t>& bytes)
{
    std::vector<Event> events;
    events.reserve(bytes.size() / 4); // a note event takes three or four bytes
    if (bytes.size() < kHeaderChunkBytes || std::memcmp(bytes.data(), kHeaderId.data(), 4) != 0)
        return events;
    std::size_t at = kChunkHeader + be32(bytes.data() + 4);
    while (at <= bytes.size() && bytes.size() - at >= kChunkHeader) {
        const std::size_t length = std::min<std::size_t>(be32(bytes.data() + at + 4), bytes.size() - at - kChunkHeader);
        const std::uint8_t* data = bytes.data() + at + kChunkHeader;
        if (std::memcmp(bytes.data() + at, kTrackId.data(), 4) == 0)
            readTrack(data, data + length, events);
        at += kChunkHeader + length;
    }
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
    return events;
}

// One channel as the synthesizer keeps it.
struct Channel {
    bool drum = false;
    bool switched = false; // turned between drums and melody at some point
    bool programChosen = false;
    int bank = 0;
    int volume = kDefaultVolume;
    int expression = kFullScale;
    bool pedal = false;
    std::set<int> programs;
};

} // namespace

SongSurvey::SongSurvey(const std::vector<std::uint8_t>& bytes)
{
    std::array<Channel, kChannels> channels;
    auto reset = [&] {
        for (int c = 0; c < kChannels; ++c) {
            const bool switched = channels[c].switched;
            std::set<int> programs = std::move(channels[c].programs);
            channels[c] = Channel{};
            channels[c].drum = c == kDrumChannel;
            channels[c].switched = switched;
            channels[c].programs = std::move(programs);
        }
    };
    reset();
    std::set<BankProgram> asked;
    // Sounding notes by channel and key: amplitude (0 when silent), and whether only the
    // pedal holds it.
    struct Note {
        double amplitude = 0.0;
        bool pedalled = false;
    };
    std::array<std::array<Note, kHighestNote + 1>, kChannels> notes{};
    double weight = 0.0;
    auto end = [&](Note& note) {
        weight -= note.amplitude;
        note = Note{};
    };
    // Ends the channel's notes, or only those the pedal holds.
    auto silence = [&](int c, bool pedalledOnly) {
        for (Note& note : notes[c])
            if (note.amplitude > 0.0 && (!pedalledOnly || note.pedalled))
                end(note);
    };
    auto ratio = [](int value) { return double(value) / kFullScale; };

    for (const Event& event : readEvents(bytes)) {
        if (event.kind == Kind::Reset) {
            for (int c = 0; c < kChannels; ++c)
                silence(c, false);
            reset();
            continue;
        }
        if (event.kind == Kind::RhythmPart) {
            Channel& channel = channels[event.status];
            const bool drum = event.data1 != 0;
            channel.switched = channel.switched || drum != channel.drum;
            channel.drum = drum;
            continue;
        }
        const int c = event.status & kChannelMask;
        Channel& channel = channels[c];
        const std::uint8_t type = event.status & kTypeMask;
        if (type == kNoteOn && event.data2 > 0) {
            if (!channel.programChosen) {
                asked.insert(channel.drum ? BankProgram{kDrumBank, 0} : BankProgram{0, 0});
                channel.programs.insert(0);
                channel.programChosen = true; // the default stays until a program change
            }
            const double amplitude = ratio(event.data2) * ratio(event.data2) * ratio(channel.volume)
                                     * ratio(channel.volume) * ratio(channel.expression)
                                     * ratio(channel.expression);
            Note& note = notes[c][event.data1 & kDataBits];
            end(note); // a key struck again replaces its note
            note.amplitude = amplitude;
            weight += amplitude;
            m_heaviest = std::max(m_heaviest, weight);
        } else if (type == kNoteOff || type == kNoteOn) {
            Note& note = notes[c][event.data1 & kDataBits];
            if (note.amplitude > 0.0) {
                if (channel.pedal)
                    note.pedalled = true;
                else
                    end(note);
            }
        } else if (type == kProgramChange) {
            asked.insert(channel.drum ? BankProgram{kDrumBank, event.data1} : BankProgram{channel.bank, event.data1});
            channel.programs.insert(event.data1);
            channel.programChosen = true;
        } else if (type == kControlChange) {
            switch (event.data1) {
            case kBankSelect:
                if (!channel.drum)
                    channel.bank = event.data2;
                break;
            case kVolume: channel.volume = event.data2; break;
            case kExpression: channel.expression = event.data2; break;
            case kSustain:
                channel.pedal = event.data2 >= kPedalDown;
                if (!channel.pedal)
                    silence(c, true);
                break;
            case kAllSoundOff:
            case kAllNotesOff: silence(c, false); break;
            case kResetAllControllers:
                channel.expression = kFullScale;
                channel.pedal = false;
                silence(c, true);
                break;
            default: break;
            }
        }
    }
    // A channel switched between drums and melody may play any of its programs either way.
    for (const Channel& channel : channels) {
        if (!channel.switched)
            continue;
        for (int program : channel.programs) {
            asked.insert({kDrumBank, program});
            asked.insert({0, program});
        }
    }
    m_presets.assign(asked.begin(), asked.end());
}

} // namespace tonvex
