#include "event_cursor.h"

#include <algorithm>
#include <cmath>

#include "midi_bytes.h"

namespace tonvex {
namespace {

// Per channel: the 128 controllers, then program, channel pressure and pitch bend.
constexpr int kControllers = 128;
constexpr int kProgramSlot = kControllers;
constexpr int kPressureSlot = kControllers + 1;
constexpr int kBendSlot = kControllers + 2;
constexpr int kSlotsPerChannel = kControllers + 3;
// Not chased at all (notes, key pressure), or chased every one in order.
constexpr int kNotChased = -2;
constexpr int kEveryOne = -1;

bool actsInSequence(std::uint8_t controller)
{
    return controller == midi::kBankSelect || controller == midi::kBankSelectFine
        || controller == midi::kDataEntry || controller == midi::kDataEntryFine
        || (controller >= midi::kDataIncrement && controller <= midi::kRegisteredParameterMsb)
        || controller >= midi::kFirstChannelMode;
}

// The lasting value a message before the start sets: a later message for the same slot
// makes it redundant.
int chaseSlot(std::uint8_t status, std::span<const std::uint8_t> data)
{
    if (status == midi::kSysEx)
        return kEveryOne;
    const int base = (status & midi::kChannelMask) * kSlotsPerChannel;
    switch (status & midi::kTypeMask) {
    case midi::kProgramChange: return base + kProgramSlot;
    case midi::kChannelPressure: return base + kPressureSlot;
    case midi::kPitchBend: return base + kBendSlot;
    case midi::kControlChange: return actsInSequence(data[0]) ? kEveryOne : base + data[0];
    default: return kNotChased;
    }
}

} // namespace

EventCursor::EventCursor(std::shared_ptr<const SongTimeline> timeline, std::int64_t startTick)
    : m_timeline(std::move(timeline))
{
    const SmfSong& song = m_timeline->song();
    const std::vector<PlayableEvent>& events = m_timeline->events();
    m_startTick = std::clamp<std::int64_t>(startTick, 0, song.endTick());
    m_startMicros = song.microsAt(m_startTick);
    m_next = static_cast<std::size_t>(
        std::lower_bound(events.begin(), events.end(), m_startTick,
                         [](const PlayableEvent& event, std::int64_t tick) { return event.tick < tick; })
        - events.begin());

    std::vector<std::int64_t> lastOfSlot(midi::kChannels * kSlotsPerChannel, -1);
    for (std::size_t i = 0; i < m_next; ++i) {
        const int slot = chaseSlot(events[i].status, song.dataOf(events[i]));
        if (slot >= 0)
            lastOfSlot[static_cast<std::size_t>(slot)] = static_cast<std::int64_t>(i);
    }
    for (std::size_t i = 0; i < m_next; ++i) {
        const int slot = chaseSlot(events[i].status, song.dataOf(events[i]));
        if (slot == kEveryOne || (slot >= 0 && lastOfSlot[static_cast<std::size_t>(slot)] == static_cast<std::int64_t>(i)))
            m_chased.push_back(static_cast<std::uint32_t>(i));
    }
}

std::int64_t EventCursor::dueAt(std::int64_t tick) const
{
    return std::llround(song().microsAt(tick) - m_startMicros);
}

SongEvent EventCursor::eventAt(const PlayableEvent& event, std::int64_t tick) const
{
    const auto kind = event.status == midi::kSysEx ? SongEvent::Kind::SysEx : SongEvent::Kind::Channel;
    return {kind, tick, dueAt(tick), event.status, song().dataOf(event)};
}

std::optional<SongEvent> EventCursor::next()
{
    const std::vector<PlayableEvent>& events = m_timeline->events();
    if (m_chasedNext < m_chased.size())
        return eventAt(events[m_chased[m_chasedNext++]], m_startTick);
    if (m_next < events.size()) {
        const PlayableEvent& event = events[m_next++];
        return eventAt(event, event.tick);
    }
    if (m_ended)
        return std::nullopt;
    m_ended = true;
    return SongEvent{SongEvent::Kind::End, song().endTick(), dueAt(song().endTick()), 0, {}};
}

} // namespace tonvex
