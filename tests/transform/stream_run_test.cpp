#include <gtest/gtest.h>

#include <cstdint>

#include "midi_builder.h"

namespace tonvex {
namespace {

using test::Bytes;
using test::chunk;
using test::concat;
using test::header;
using test::runStream;
using test::track;

const Bytes kNotes{0x00, 0x90, 61, 0x40, 0x20, 61, 0x00};
const Bytes kNotesMirrored{0x00, 0x90, 59, 0x40, 0x20, 59, 0x00};

TEST(StreamRunTest, TracksAreCopiedInOrderWithTheirLengths)
{
    const Bytes input = concat({header(3), track({0x00, 0xFF, 0x03, 0x01, 'A'}), track(kNotes), track({0x00, 0xC1, 0x05})});
    const auto outcome = runStream(input, test::kMirror);
    ASSERT_EQ(outcome.status, RunStatus::Written);
    EXPECT_EQ(outcome.output,
              concat({header(3), track({0x00, 0xFF, 0x03, 0x01, 'A'}), track(kNotesMirrored), track({0x00, 0xC1, 0x05})}));
}

// Mirror writes `input` as `expected`, reading all of it, however the input arrives.
void expectWrittenWhole(const Bytes& input, const Bytes& expected)
{
    for (const std::size_t window : {std::size_t{1}, std::size_t{3}, std::size_t{61}, static_cast<std::size_t>(-1)}) {
        const auto outcome = runStream(input, test::presetFor(test::kMirror), {}, window);
        ASSERT_EQ(outcome.status, RunStatus::Written) << window;
        EXPECT_EQ(outcome.output, expected) << window;
        EXPECT_EQ(outcome.consumed, input.size()) << window;
    }
}

TEST(StreamRunTest, WhatFollowsTheCountedTracksIsKept)
{
    // Further track chunks that read cleanly are transformed; trailing bytes stay.
    expectWrittenWhole(concat({header(1), track(kNotes), track(kNotes), Bytes{0x01, 0x02}}),
                       concat({header(1), track(kNotesMirrored), track(kNotesMirrored), Bytes{0x01, 0x02}}));
    expectWrittenWhole(concat({header(0), track(kNotes)}), concat({header(0), track(kNotesMirrored)}));
    // From the first chunk that is not a readable track chunk, nothing more is transformed.
    const Bytes broken = track({0x00, 0x90, 61, 0x40, 0x00, 0xFF, 0x80, 0x00}); // refused meta type
    expectWrittenWhole(concat({header(1), track(kNotes), track(kNotes), broken, track(kNotes)}),
                       concat({header(1), track(kNotesMirrored), track(kNotesMirrored), broken, track(kNotes)}));
    const Bytes alien = chunk("XFIH", {0x01});
    expectWrittenWhole(concat({header(1), track(kNotes), alien, track(kNotes)}), concat({header(1), track(kNotesMirrored), alien, track(kNotes)}));
    Bytes cut = track(kNotes);
    cut.resize(10);
    expectWrittenWhole(concat({header(1), track(kNotes), cut}), concat({header(1), track(kNotesMirrored), cut}));
}

TEST(StreamRunTest, TrackChunksEndByTheirLengthWhereATrackOrTheFileFollows)
{
    expectWrittenWhole(concat({header(1), chunk("MTrk", kNotes)}), concat({header(1), chunk("MTrk", kNotesMirrored)}));
    expectWrittenWhole(concat({header(2), chunk("MTrk", kNotes), track(kNotes)}),
                       concat({header(2), chunk("MTrk", kNotesMirrored), track(kNotesMirrored)}));
    expectWrittenWhole(concat({header(2), chunk("MTrk", {}), track(kNotes)}), concat({header(2), chunk("MTrk", {}), track(kNotesMirrored)}));
    expectWrittenWhole(concat({header(1), chunk("MTrk", {})}), concat({header(1), chunk("MTrk", {})}));
    // Events go on past a declared end that neither a track chunk nor the end follows.
    expectWrittenWhole(concat({header(1), chunk("MTrk", {0x00, 0x90, 61, 0x40}), Bytes{0x20, 61, 0x00}, test::kEndOfTrack}),
                       concat({header(1), chunk("MTrk", {0x00, 0x90, 59, 0x40}), Bytes{0x20, 59, 0x00}, test::kEndOfTrack}));
    // A declared end inside an event is no end.
    const Bytes cutInside = concat({header(1), test::ascii("MTrk"), test::bigEndian(3, 4), Bytes{0x00, 0x90, 61, 0x40}});
    EXPECT_EQ(runStream(cutInside, test::kMirror).status, RunStatus::CannotRead);
}

TEST(StreamRunTest, BytesAfterEndOfTrackAreKeptWhereTheDeclaredEndIsConfirmed)
{
    // A track chunk whose length field counts `gap` after its end-of-track event.
    const auto gapped = [](const Bytes& events, const Bytes& gap) { return chunk("MTrk", concat({events, test::kEndOfTrack, gap})); };
    const Bytes zeros(4, 0x00);
    expectWrittenWhole(concat({header(2), gapped(kNotes, zeros), track(kNotes)}),
                       concat({header(2), gapped(kNotesMirrored, zeros), track(kNotesMirrored)}));
    const Bytes note{0x00, 0x90, 61, 0x40}; // no event of the track: not transformed
    expectWrittenWhole(concat({header(1), gapped(kNotes, note)}), concat({header(1), gapped(kNotesMirrored, note)}));
    const Bytes text(300, 'a'); // would read as an alien chunk right after the event
    expectWrittenWhole(concat({header(2), gapped(kNotes, text), track(kNotes)}),
                       concat({header(2), gapped(kNotesMirrored, text), track(kNotesMirrored)}));
    // A track chunk right after the event is the next track, whatever the length says.
    expectWrittenWhole(concat({header(2), gapped(kNotes, track(kNotes))}), concat({header(2), gapped(kNotesMirrored, track(kNotesMirrored))}));
    // A declared end inside the bytes after the event confirms nothing: they begin the next chunk.
    Bytes unconfirmed = concat({header(2), gapped(kNotes, zeros), track(kNotes)});
    unconfirmed[14 + 7] -= 2;
    EXPECT_EQ(runStream(unconfirmed, test::kMirror).refusal, "not a chunk at byte 33");
}

TEST(StreamRunTest, TrackCountIsTheWholeSixteenBitField)
{
    const auto empty = runStream(header(0), test::kMirror);
    ASSERT_EQ(empty.status, RunStatus::Written);
    EXPECT_EQ(empty.output, header(0));

    // 256 tracks: a count whose low byte is zero.
    Bytes input = header(256);
    Bytes expected = header(256);
    for (int i = 0; i < 256; ++i) {
        input = concat({input, track(kNotes)});
        expected = concat({expected, track(kNotesMirrored)});
    }
    const auto many = runStream(input, test::kMirror);
    ASSERT_EQ(many.status, RunStatus::Written);
    EXPECT_EQ(many.output, expected);
}

TEST(StreamRunTest, HeaderIsCheckedAndCopiedWhole)
{
    // A header of 8 bytes carries two more bytes that are kept.
    const Bytes longHeader = concat({test::ascii("MThd"), test::bigEndian(8, 4), Bytes{0x00, 0x01, 0x00, 0x01, 0x01, 0xE0, 0xAB, 0xCD}});
    const auto outcome = runStream(concat({longHeader, track(kNotes)}), test::kMirror);
    ASSERT_EQ(outcome.status, RunStatus::Written);
    EXPECT_EQ(outcome.output, concat({longHeader, track(kNotesMirrored)}));

    const Bytes shortHeader = concat({test::ascii("MThd"), test::bigEndian(5, 4), Bytes{0x00, 0x00, 0x01, 0x00, 0x60}});
    EXPECT_EQ(runStream(concat({shortHeader, track(kNotes)}), test::kMirror).status, RunStatus::CannotRead);
    Bytes notMidi = concat({header(1), track(kNotes)});
    notMidi[3] = 'D';
    EXPECT_EQ(runStream(notMidi, test::kMirror).status, RunStatus::CannotRead);
    const Bytes riff = concat({test::ascii("RIFF"), test::bigEndian(20, 4), header(1)});
    EXPECT_EQ(runStream(riff, test::kMirror).status, RunStatus::CannotRead);
    EXPECT_EQ(runStream({}, test::kMirror).status, RunStatus::CannotRead);
}

TEST(StreamRunTest, AlienChunksAreCopiedWhereTheyStandAndNotCounted)
{
    const Bytes alien = chunk("XFIH", {0x01, 0x02, 0x03});
    const Bytes input = concat({header(2), alien, track(kNotes), chunk("Ab z", {}), track(kNotes), alien});
    const auto outcome = runStream(input, test::kMirror);
    ASSERT_EQ(outcome.status, RunStatus::Written);
    EXPECT_EQ(outcome.output, concat({header(2), alien, track(kNotesMirrored), chunk("Ab z", {}), track(kNotesMirrored), alien}));
}

TEST(StreamRunTest, ChunksThatAreNeitherTrackNorAlienAreRefused)
{
    // Non-printable identifier, e.g. bytes left inside a track after its end-of-track event.
    const Bytes binary = concat({test::bigEndian(0x00FF2F00, 4), test::bigEndian(0, 4)});
    EXPECT_EQ(runStream(concat({header(2), track(kNotes), binary, track(kNotes)}), test::kMirror).status, RunStatus::CannotRead);
    // An alien chunk whose length runs past the end of the file.
    const Bytes overlong = concat({test::ascii("JUNK"), test::bigEndian(100, 4), Bytes{1, 2, 3}});
    EXPECT_EQ(runStream(concat({header(1), overlong}), test::kMirror).status, RunStatus::CannotRead);
    // A track counted but missing.
    EXPECT_EQ(runStream(concat({header(2), track(kNotes)}), test::kMirror).status, RunStatus::CannotRead);
}

TEST(StreamRunTest, InputCutAnywhereIsRefused)
{
    const Bytes whole = concat({header(2), track({0x00, 0xF0, 0x02, 0x01, 0xF7, 0x81, 0x00, 0xFF, 0x01, 0x02, 'h', 'i'}), track(kNotes)});
    ASSERT_EQ(runStream(whole, test::kMirror).status, RunStatus::Written);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(runStream(cut, test::kMirror).status, RunStatus::CannotRead) << "cut at " << size;
    }
}

TEST(StreamRunTest, ResultDoesNotDependOnHowTheInputArrives)
{
    Bytes events;
    for (int i = 0; i < 200; ++i)
        events = concat({events, Bytes{0x00, static_cast<std::uint8_t>(0x90 + i % 16), static_cast<std::uint8_t>(i % 128), 0x40, 0x83, 0x00, 0x10, 0x00}});
    const Bytes input = concat({header(1), track(events)});
    const Preset upside = test::presetFor(test::kUpside);
    const auto whole = runStream(input, upside);
    ASSERT_EQ(whole.status, RunStatus::Written);
    for (const std::size_t window : {1, 2, 3, 7, 64}) {
        const auto pieces = runStream(input, upside, {}, window);
        EXPECT_EQ(pieces.status, RunStatus::Written) << window;
        EXPECT_EQ(pieces.output, whole.output) << window;
    }
}

// A track of `count` events and end of track in a fixed pseudo-random mix: channel events on
// every channel with a fresh status byte or in running status, one- and two-data-byte
// messages, delta times of one to four bytes, any byte after a status byte, and meta, sysex
// and escape events of several lengths among them.
Bytes mixedTrack(int count)
{
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t range) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % range;
    };
    Bytes body;
    std::uint8_t status = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t deltaBytes = next(8) == 0 ? 1 + next(4) : 1;
        for (std::uint32_t b = 1; b < deltaBytes; ++b)
            body.push_back(static_cast<std::uint8_t>(0x80 | next(128)));
        body.push_back(static_cast<std::uint8_t>(next(128)));
        const std::uint32_t kind = next(100);
        if (kind < 3) {
            body.insert(body.end(), {0xFF, 0x05, 0x02, 'l', 'a'});
        } else if (kind < 4) {
            body.insert(body.end(), {0xF0, 0x03, 0x7E, 0x09, 0xF7});
        } else if (kind < 5) {
            body.insert(body.end(), {0xF0, 0x81, 0x02}); // 130 bytes, across many windows' ends
            for (int b = 0; b < 129; ++b)
                body.push_back(static_cast<std::uint8_t>(next(128)));
            body.push_back(0xF7);
        } else if (kind < 6) {
            body.insert(body.end(), {0xF7, 0x02, 0x90, 0x3C}); // escape: its data is not a note
        } else if (kind < 7) {
            body.insert(body.end(), {0xFF, 0x7F, 0x00}); // empty sequencer-specific event
        } else if (status == 0 || kind < 20) {
            status = static_cast<std::uint8_t>(0x80 + next(0x70));
            body.push_back(status);
            body.push_back(static_cast<std::uint8_t>(next(256))); // any byte may follow a status
            if ((status & 0xE0) != 0xC0)
                body.push_back(static_cast<std::uint8_t>(next(256)));
        } else {
            body.push_back(static_cast<std::uint8_t>(next(128)));
            if ((status & 0xE0) != 0xC0)
                body.push_back(static_cast<std::uint8_t>(next(256)));
        }
    }
    return track(body);
}

TEST(StreamRunTest, DirectAndByteByByteCopiesAgreeOnLongMixedTracks)
{
    const Bytes oneTrack = mixedTrack(6000);
    const Bytes input = concat({header(3), oneTrack, oneTrack, oneTrack});
    const int allEvents = 3 * 6001;
    for (const PresetInfo& info : kPresets) {
        SCOPED_TRACE(info.name);
        const Preset preset = test::presetFor(info.id);
        int calls = 0;
        const auto bytewise = runStream(input, preset, [&calls] { return ++calls > 0; }, 1);
        ASSERT_EQ(bytewise.status, RunStatus::Written);
        EXPECT_EQ(calls, allEvents);
        for (const std::size_t window : {std::size_t{7}, std::size_t{8}, std::size_t{9}, std::size_t{61},
                                         std::size_t{4093}, static_cast<std::size_t>(-1)}) {
            SCOPED_TRACE(window);
            calls = 0;
            const auto pieces = runStream(input, preset, [&calls] { return ++calls > 0; }, window);
            EXPECT_EQ(pieces.status, RunStatus::Written);
            EXPECT_EQ(calls, allEvents);
            EXPECT_TRUE(pieces.output == bytewise.output);
            EXPECT_EQ(pieces.consumed, bytewise.consumed);
        }
    }
}

TEST(StreamRunTest, CancelStopsBeforeTheSameEventWhateverTheWindows)
{
    const int events = 3001;
    const Bytes input = concat({header(1), mixedTrack(events - 1)});
    const Preset preset = test::presetFor(test::kUpside);
    for (const int stopAt : {1, 2, 3, 17, 500, 1001, events - 1, events}) {
        SCOPED_TRACE(stopAt);
        int calls = 0;
        const auto bytewise = runStream(input, preset, [&] { return ++calls < stopAt; }, 1);
        ASSERT_EQ(bytewise.status, RunStatus::Cancelled);
        ASSERT_EQ(calls, stopAt);
        for (const std::size_t window : {std::size_t{8}, std::size_t{509}, static_cast<std::size_t>(-1)}) {
            SCOPED_TRACE(window);
            calls = 0;
            const auto pieces = runStream(input, preset, [&] { return ++calls < stopAt; }, window);
            EXPECT_EQ(pieces.status, RunStatus::Cancelled);
            EXPECT_EQ(calls, stopAt);
            EXPECT_EQ(pieces.consumed, bytewise.consumed);
            EXPECT_TRUE(pieces.output == bytewise.output);
        }
    }
}

TEST(StreamRunTest, AFailingSinkIsReportedAsCannotWrite)
{
    Bytes events;
    for (int i = 0; i < 3000; ++i)
        events = concat({events, kNotes});
    const Bytes input = concat({header(1), track(events)});
    for (const std::size_t capacity : {std::size_t{0}, std::size_t{10}, std::size_t{5000}, input.size() - 1}) {
        MemoryByteSource in(input);
        MemoryByteSink out(capacity);
        EXPECT_EQ(transformStream(in, out, test::presetFor(test::kPenta), {}), RunStatus::CannotWrite) << capacity;
    }
    MemoryByteSource in(input);
    MemoryByteSink out(input.size());
    EXPECT_EQ(transformStream(in, out, test::presetFor(test::kPenta), {}), RunStatus::Written);
}

TEST(StreamRunTest, CancelStopsTheRun)
{
    const Bytes input = concat({header(2), track(kNotes), track(kNotes)});
    int calls = 0;
    const auto outcome = runStream(input, test::presetFor(test::kMirror), [&calls] { return ++calls < 4; });
    EXPECT_EQ(outcome.status, RunStatus::Cancelled);
    EXPECT_EQ(calls, 4);
}

struct RefusalCase {
    const char* name;
    Bytes input;
    const char* refusal;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

// Events of a one-track file start at byte 22.
TEST_P(RefusalTest, NamesItsCauseAndWhere)
{
    for (const std::size_t window : {std::size_t{1}, static_cast<std::size_t>(-1)}) {
        const auto outcome = runStream(GetParam().input, test::presetFor(test::kMirror), {}, window);
        EXPECT_EQ(outcome.status, RunStatus::CannotRead) << window;
        EXPECT_EQ(outcome.refusal, GetParam().refusal) << window;
    }
}

INSTANTIATE_TEST_SUITE_P(
    StreamRunTest, RefusalTest,
    ::testing::Values(
        RefusalCase{"Empty", {}, "no MThd header"},
        RefusalCase{"Riff", concat({test::ascii("RIFF"), header(1)}), "no MThd header"},
        RefusalCase{"CutHeader", concat({test::ascii("MThd"), test::bigEndian(6, 4), Bytes{0x00}}), "truncated header"},
        RefusalCase{"ShortHeader", concat({test::ascii("MThd"), test::bigEndian(5, 4), Bytes(5, 0)}), "header length 5 below 6"},
        RefusalCase{"MetaType", test::singleTrack({0x00, 0xFF, 0x80, 0x00}), "meta type 0x80 at byte 24"},
        RefusalCase{"SystemStatus", test::singleTrack({0x00, 0x90, 60, 0x40, 0x00, 0xF4}), "status 0xf4 at byte 27"},
        RefusalCase{"RunningStatus", test::singleTrack({0x00, 60, 0x40}), "running status without a status at byte 23"},
        RefusalCase{"LongDelta", test::singleTrack({0x81, 0x81, 0x81, 0x81, 0x00}), "delta time over four bytes at byte 22"},
        RefusalCase{"LongLength", test::singleTrack({0x00, 0xF0, 0x81, 0x81, 0x81, 0x81, 0x00}), "length over four bytes at byte 24"},
        RefusalCase{"CutEvent", concat({header(1), test::ascii("MTrk"), test::bigEndian(9, 4), Bytes{0x00, 0x90, 60, 0x00, 0x00, 0xFF, 0x01, 0x05, 'a'}}),
                    "truncated track at byte 26"},
        RefusalCase{"NotAChunk", concat({header(2), track(kNotes), test::kEndOfTrack, track(kNotes)}), "not a chunk at byte 33"},
        RefusalCase{"MissingTrack", concat({header(2), track(kNotes)}), "missing track at byte 33"},
        RefusalCase{"CutChunk", concat({header(1), test::ascii("JUNK"), test::bigEndian(100, 4), Bytes{1, 2}}), "truncated chunk at byte 14"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tonvex
