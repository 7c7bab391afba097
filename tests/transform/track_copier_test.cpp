#include <gtest/gtest.h>

#include "midi_builder.h"
#include "run_state.h"
#include "track_copier.h"

namespace tonvex {
namespace {

using test::Bytes;
using test::concat;
using test::runStream;
using test::singleTrack;

// Runs one track of `events` through Mirror and expects it back as `expected`.
void expectMirrored(const Bytes& events, const Bytes& expected)
{
    const auto outcome = runStream(singleTrack(events), test::kMirror);
    ASSERT_EQ(outcome.status, RunStatus::Written);
    EXPECT_EQ(outcome.output, singleTrack(expected));
}

void expectUnreadable(const Bytes& events)
{
    EXPECT_EQ(runStream(singleTrack(events), test::kMirror).status, RunStatus::CannotRead);
}

TEST(TrackCopierTest, NoteEventsChangeOnlyTheirNoteNumber)
{
    // Note-on 67 and its note-off on channel 1: G becomes F under Mirror, velocities stay.
    expectMirrored({0x00, 0x90, 67, 0x40, 0x60, 0x80, 67, 0x33}, {0x00, 0x90, 65, 0x40, 0x60, 0x80, 65, 0x33});
    // Channel 16 is transformed too, channel 10 never.
    expectMirrored({0x00, 0x9F, 66, 0x40, 0x00, 0x99, 66, 0x40}, {0x00, 0x9F, 54, 0x40, 0x00, 0x99, 66, 0x40});
}

TEST(TrackCopierTest, RunningStatusNotesAreTransformedWithoutInsertingStatus)
{
    expectMirrored({0x00, 0x90, 61, 0x40, 0x10, 62, 0x41, 0x10, 61, 0x00, 0x10, 62, 0x00},
                   {0x00, 0x90, 59, 0x40, 0x10, 58, 0x41, 0x10, 59, 0x00, 0x10, 58, 0x00});
    // On channel 10 running-status notes stay as they are.
    expectMirrored({0x00, 0x99, 61, 0x40, 0x10, 62, 0x41}, {0x00, 0x99, 61, 0x40, 0x10, 62, 0x41});
}

TEST(TrackCopierTest, OtherChannelMessagesAreCopiedUnchanged)
{
    const Bytes events{
        0x00, 0xA0, 61, 0x40,       // polyphonic key pressure keeps its note number
        0x00, 0xB0, 0x07, 0x64,     // control change ...
        0x00, 61, 0x50,             // ... and its running status, though 61 looks like a note
        0x00, 0xE0, 0x00, 0x40,     // pitch bend
        0x00, 0xC0, 0x05,           // program change
        0x00, 0xD0, 0x30,           // channel pressure
    };
    expectMirrored(events, events);
}

TEST(TrackCopierTest, RunningStatusAfterOneByteMessagesCarriesOneDataByte)
{
    // If two bytes were taken after the program change, the note-on would be misread.
    expectMirrored({0x00, 0xC0, 0x05, 0x00, 0x06, 0x00, 0x90, 61, 0x40},
                   {0x00, 0xC0, 0x05, 0x00, 0x06, 0x00, 0x90, 59, 0x40});
    expectMirrored({0x00, 0xD3, 0x40, 0x00, 0x41, 0x00, 0x42, 0x00, 0x93, 62, 0x40},
                   {0x00, 0xD3, 0x40, 0x00, 0x41, 0x00, 0x42, 0x00, 0x93, 58, 0x40});
}

TEST(TrackCopierTest, RunningNotesContinueAcrossMetaAndSysexEvents)
{
    // A lyric and a sysex between a note-on and its running-status note-off: both note bytes
    // change alike, so the note-off still matches.
    expectMirrored({0x00, 0x91, 61, 0x40, 0x00, 0xFF, 0x05, 0x02, 'l', 'a', 0x00, 0xF0, 0x02, 0x7E, 0xF7, 0x10, 61, 0x00},
                   {0x00, 0x91, 59, 0x40, 0x00, 0xFF, 0x05, 0x02, 'l', 'a', 0x00, 0xF0, 0x02, 0x7E, 0xF7, 0x10, 59, 0x00});
    // The channel carries on too: channel 10 notes stay untouched after a meta event.
    expectMirrored({0x00, 0x99, 61, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x10, 61, 0x00},
                   {0x00, 0x99, 61, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x10, 61, 0x00});
    // A control change's running status is not turned into notes by a meta event either.
    expectMirrored({0x00, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 61, 0x40},
                   {0x00, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x01, 0x00, 0x00, 61, 0x40});
}

TEST(TrackCopierTest, DeltaTimesOfEveryLengthAreCopiedAsRead)
{
    const Bytes events{
        0x7F, 0x90, 60, 0x40,                   // one byte
        0x81, 0x00, 0x90, 60, 0x40,             // two bytes
        0x81, 0x81, 0x00, 0x90, 60, 0x40,       // three bytes
        0x81, 0x80, 0x00, 0x90, 60, 0x40,       // three bytes with a zero middle
        0x80, 0x01, 0x90, 60, 0x40,             // a leading 0x80 byte
        0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 0x40, // four bytes, the largest delta
    };
    expectMirrored(events, events);
    expectUnreadable({0x81, 0x81, 0x81, 0x81, 0x00, 0x90, 60, 0x40}); // five bytes
}

TEST(TrackCopierTest, SysexEventsAreCopiedWithTheirWholeLength)
{
    Bytes longSysex{0x00, 0xF0, 0x81, 0x02}; // length 130 in two bytes
    for (int i = 0; i < 129; ++i)
        longSysex.push_back(static_cast<std::uint8_t>(i));
    longSysex.push_back(0xF7);
    const Bytes events = concat({
        {0x00, 0xF0, 0x00},                   // empty
        {0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7}, // short
        longSysex,
        {0x00, 0xF7, 0x02, 0x90, 0x3C},       // escape: its data is not a note
    });
    expectMirrored(events, events);
    expectUnreadable({0x00, 0xF0, 0x81, 0x81, 0x81, 0x81, 0x00}); // length of five bytes
}

TEST(TrackCopierTest, AcceptedMetaEventsAreCopiedWithTheirWholeLength)
{
    Bytes longText{0x00, 0xFF, 0x05, 0x81, 0x48}; // lyric of 200 bytes
    longText.insert(longText.end(), 200, 0x61);
    const Bytes events = concat({
        {0x00, 0xFF, 0x00, 0x02, 0x00, 0x01},             // sequence number
        {0x00, 0xFF, 0x01, 0x00},                         // empty text
        {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20},       // set tempo
        {0x00, 0xFF, 0x51, 0x04, 0x07, 0xA1, 0x20, 0x90}, // set tempo with a stray fourth byte
        {0x00, 0xFF, 0x20, 0x01, 0x09},                   // channel prefix
        {0x00, 0xFF, 0x2E, 0x00},                         // unassigned, but in the accepted range
        {0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}, // time signature
        {0x00, 0xFF, 0x59, 0x02, 0xFD, 0x00},             // key signature
        {0x00, 0xFF, 0x7F, 0x03, 0x00, 0x00, 0x41},       // sequencer specific
        {0x00, 0xFF, 0x07, 0x00},                         // cue point
        {0x00, 0xFF, 0x08, 0x02, 0x50, 0x31},             // program name
        {0x00, 0xFF, 0x0A, 0x01, 0x61},                   // reserved text type
        {0x00, 0xFF, 0x1F, 0x00},                         // last type below the named ones
        longText,
    });
    expectMirrored(events, events);
}

TEST(TrackCopierTest, MetaTypesWithTheTopBitSetAreRefused)
{
    for (const int type : {0x80, 0xA0, 0xFF})
        expectUnreadable({0x00, 0xFF, static_cast<std::uint8_t>(type), 0x00});
}

TEST(TrackCopierTest, SystemCommonAndRealTimeBytesAreRefused)
{
    for (int status = 0xF1; status <= 0xFE; ++status) {
        if (status == 0xF7)
            continue;
        SCOPED_TRACE(status);
        expectUnreadable({0x00, 0x90, 60, 0x40, 0x00, static_cast<std::uint8_t>(status), 0x00, 0x00});
    }
}

TEST(TrackCopierTest, RunningStatusBeforeAnyChannelStatusIsRefused)
{
    expectUnreadable({0x00, 60, 0x40});
    // Meta and sysex events do not start a running status.
    expectUnreadable({0x00, 0xFF, 0x01, 0x00, 0x00, 0xF0, 0x00, 0x00, 60, 0x40});
}

TEST(TrackCopierTest, EndOfTrackIsCopiedWithItsWholeLength)
{
    // An end-of-track with a data byte: the byte is part of the event and the chunk ends after it.
    const Bytes file = concat({test::header(1, 0), test::chunk("MTrk", {0x00, 0x90, 61, 0x40, 0x00, 0xFF, 0x2F, 0x01, 0x55})});
    const auto outcome = runStream(file, test::kMirror);
    ASSERT_EQ(outcome.status, RunStatus::Written);
    EXPECT_EQ(outcome.output, concat({test::header(1, 0), test::chunk("MTrk", {0x00, 0x90, 59, 0x40, 0x00, 0xFF, 0x2F, 0x01, 0x55})}));
}

TEST(TrackCopierTest, DataBytesWithTheTopBitSetAreCopiedAsRead)
{
    // Malformed, but the byte after a note status is its note byte whatever it holds.
    expectMirrored({0x00, 0x90, 0xC5, 0x40, 0x00, 0x90, 61, 0xF0}, {0x00, 0x90, 0xC5, 0x40, 0x00, 0x90, 59, 0xF0});
}

TEST(TrackCopierTest, RunStateCarriesIntoTheNextChunk)
{
    Preset mirror = test::presetFor(test::kMirror);
    // The first chunk ends by its length: the next chunk's identifier, looked at to see that,
    // must still reach the second call however the input arrives.
    const Bytes first = test::chunk("MTrk", {0x00, 0x92, 61, 0x40});
    const Bytes second = test::track({0x00, 61, 0x00}); // running status left by the first track
    const Bytes input = concat({first, second});
    for (const std::size_t window : {std::size_t{1}, static_cast<std::size_t>(-1)}) {
        MemoryByteSource in(input, window);
        MemoryByteSink out;
        RunState state;
        ASSERT_EQ(CopyTrackChunk(in, out, state, mirror, {}), RunStatus::Written);
        EXPECT_TRUE(state.LastStatusIsNote);
        EXPECT_EQ(state.CurrentChannel, 3);
        EXPECT_EQ(state.TrackEnd, first.size());
        ASSERT_EQ(CopyTrackChunk(in, out, state, mirror, {}), RunStatus::Written);
        ASSERT_TRUE(out.flush());
        EXPECT_EQ(out.bytes(), concat({test::chunk("MTrk", {0x00, 0x92, 59, 0x40}), test::track({0x00, 59, 0x00})}));
    }
}

TEST(TrackCopierTest, YieldsBeforeEveryEventAndStopsWhenTold)
{
    const Bytes events{0x00, 0x90, 60, 0x40, 0x00, 60, 0x00, 0x00, 0xFF, 0x01, 0x00}; // + end of track: 4 events
    const Bytes input = test::track(events);
    int calls = 0;
    const YieldHook counting = [&calls] { ++calls; return true; };
    {
        MemoryByteSource in(input);
        MemoryByteSink out;
        RunState state;
        EXPECT_EQ(CopyTrackChunk(in, out, state, test::presetFor(test::kWhole), counting), RunStatus::Written);
        EXPECT_EQ(calls, 4);
    }
    for (int stopAt = 1; stopAt <= 4; ++stopAt) {
        calls = 0;
        const YieldHook stopping = [&] { return ++calls < stopAt; };
        MemoryByteSource in(input);
        MemoryByteSink out;
        RunState state;
        EXPECT_EQ(CopyTrackChunk(in, out, state, test::presetFor(test::kWhole), stopping), RunStatus::Cancelled);
        EXPECT_EQ(calls, stopAt);
    }
}

} // namespace
} // namespace tonvex
