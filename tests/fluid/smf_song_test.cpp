#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "event_cursor.h"
#include "smf_builder.h"
#include "smf_song.h"

namespace tonvex::test {
namespace {

SmfSong parse(const Bytes& bytes)
{
    return SmfSong::parse(bytes);
}

// One note of `ticks` at division `division`, then the end of track.
Bytes oneNote(int division, std::uint32_t ticks)
{
    return smfFile({TrackBuilder().noteOn(0, 60, 100).at(ticks).noteOff(0, 60).end().chunk()},
                   division);
}

TEST(SmfSongLength, IsTheLastEventInMusicTimeWhateverTheDivision)
{
    EXPECT_EQ(parse(oneNote(96, 384)).length(), 3072);   // four quarters
    EXPECT_EQ(parse(oneNote(480, 240)).length(), 384);   // an eighth
    EXPECT_EQ(parse(oneNote(768, 1000)).length(), 1000);
    EXPECT_EQ(parse(oneNote(100, 150)).length(), 1152);  // 1.5 quarters, division not dividing 768
    EXPECT_EQ(parse(oneNote(7, 1)).length(), 109);       // floored from 109.7
}

TEST(SmfSongLength, TakesTheLongestTrackAndTheEndOfTrackEvent)
{
    const Bytes bytes = smfFile({
        TrackBuilder().tempo(500000).at(96).end().chunk(),
        TrackBuilder().noteOn(0, 60, 100).at(192).noteOff(0, 60).at(96).end().chunk(),
        TrackBuilder().noteOn(1, 64, 100).at(96).noteOff(1, 64).end().chunk(),
    });
    const SmfSong song = parse(bytes);
    EXPECT_EQ(song.endTick(), 288);
    EXPECT_EQ(song.length(), 288 * 8);
}

TEST(SmfSongLength, IgnoresWhatFollowsAnEarlyEndOfTrack)
{
    TrackBuilder first;
    first.noteOn(0, 60, 100).at(96).noteOff(0, 60).end().at(5000).noteOn(0, 62, 100);
    const Bytes bytes = smfFile({first.chunk(), TrackBuilder().at(48).end().chunk()});
    EXPECT_EQ(parse(bytes).endTick(), 96);
}

TEST(SmfSongLength, AFileWithoutTracksIsEmpty)
{
    EXPECT_EQ(parse(smfFile({})).length(), 0);
}

TEST(SmfSongLength, StaysWithinThirtyTwoBits)
{
    TrackBuilder track;
    for (int i = 0; i < 8; ++i)
        track.at(0x0FFFFFFF).noteOn(0, 60, 1);
    const SmfSong song = parse(smfFile({track.end().chunk()}, 1));
    EXPECT_EQ(song.endTick(), 8LL * 0x0FFFFFFF);
    EXPECT_EQ(song.length(), std::numeric_limits<MusicTime>::max());
}

TEST(SmfSongLength, ReadsRunningStatusAndSystemExclusive)
{
    TrackBuilder track;
    track.noteOn(0, 60, 100).at(96).raw({60, 0}).at(96).raw({0xF0, 0x03, 0x7E, 0x7F, 0xF7})
        .at(96).raw({0x64, 0x40}); // after a system exclusive the player reads 0x64 as its length
    EXPECT_THROW(parse(smfFile({track.end().chunk()})), EngineError);

    TrackBuilder plain;
    plain.noteOn(0, 60, 100).at(96).raw({60, 0}).at(96).raw({0xF0, 0x03, 0x7E, 0x7F, 0xF7}).end();
    EXPECT_EQ(parse(smfFile({plain.chunk()})).endTick(), 192);
}

TEST(SmfSongTempo, FollowsTheTempoMapInQuarterNotesPerMinute)
{
    const Bytes bytes = smfFile({
        TrackBuilder().tempo(640000).at(192).tempo(1000000).at(96).tempo(250000).end().chunk(),
    });
    const SmfSong song = parse(bytes);
    EXPECT_DOUBLE_EQ(song.tempoAt(0), 93.75);
    EXPECT_DOUBLE_EQ(song.tempoAt(1535), 93.75);
    EXPECT_DOUBLE_EQ(song.tempoAt(1536), 60.0);
    EXPECT_DOUBLE_EQ(song.tempoAt(2304), 240.0);
    EXPECT_DOUBLE_EQ(song.tempoAt(1'000'000), 240.0);
    // Elapsed music time adds each stretch at its own tempo.
    EXPECT_DOUBLE_EQ(song.secondsAt(-5), 0.0);
    EXPECT_DOUBLE_EQ(song.secondsAt(768), 0.64);
    EXPECT_DOUBLE_EQ(song.secondsAt(2304), 2.28);
    EXPECT_DOUBLE_EQ(song.secondsAt(3072), 2.53);
    // And back from the time of music to the tick.
    EXPECT_EQ(song.tickAt(-1.0), 0);
    EXPECT_EQ(song.tickAt(0.64e6), 96);
    EXPECT_EQ(song.tickAt(2.28e6 - 1.0), 287);
    EXPECT_EQ(song.tickAt(2.53e6), 384);
}

TEST(SmfSongTempo, DefaultsTo120AndSkipsZeroTempos)
{
    EXPECT_DOUBLE_EQ(parse(oneNote(96, 96)).tempoAt(0), 120.0);
    const Bytes zero = smfFile({TrackBuilder().tempo(0).at(96).end().chunk()});
    EXPECT_DOUBLE_EQ(parse(zero).tempoAt(0), 120.0);
}

TEST(SmfSongTempo, MergesTracksAndLetsTheLaterOfTwoAtOneTickWin)
{
    const Bytes bytes = smfFile({
        TrackBuilder().at(96).tempo(600000).end().chunk(),
        TrackBuilder().tempo(400000).at(96).tempo(750000).end().chunk(),
    });
    const SmfSong song = parse(bytes);
    EXPECT_DOUBLE_EQ(song.tempoAt(0), 150.0);
    EXPECT_DOUBLE_EQ(song.tempoAt(768), 80.0);
}

TEST(SmfSongTicks, ConvertsBothWaysAtTheFilesDivision)
{
    const SmfSong song = parse(oneNote(480, 4800));
    EXPECT_EQ(song.toFileTick(768), 480);
    EXPECT_EQ(song.toFileTick(-5), 0);
    EXPECT_EQ(song.toMusicTime(song.toFileTick(7680)), 7680);
}

TEST(SmfSongAccepts, WhatThePlayerPlays)
{
    // Format 2, meta events of free length, a time signature of the right length, a
    // system exclusive without data, a header whose unread bytes are not zero.
    TrackBuilder track;
    track.meta(0x03, {'a', 'b', 'c'}).meta(0x58, {4, 2, 24, 8}).meta(0x59, {0, 0})
        .meta(0x7F, Bytes(300, 1)).raw({0xF0, 0x00}).noteOn(9, 36, 100).at(96).noteOff(9, 36).end();
    EXPECT_EQ(parse(smfFile({track.chunk()}, 96, 2)).endTick(), 96);

    Bytes header = oneNote(96, 96);
    header[8] = 0x55;
    EXPECT_EQ(parse(header).endTick(), 96);
}

TEST(SmfSongFromStart, KeepsTheStateBeforeTheStartAndShiftsTheRest)
{
    TrackBuilder conductor;
    conductor.tempo(640000).at(192).tempo(1000000).at(192).end();
    TrackBuilder piano;
    piano.program(0, 5).noteOn(0, 60, 100).at(96).noteOff(0, 60).raw({0xB0, 7, 90})
        .at(200).noteOn(0, 62, 100).at(100).raw({62, 0}).end(); // running-status note-off
    const SmfSong song = parse(smfFile({conductor.chunk(), piano.chunk()}));

    const SmfSong from = parse(song.bytesFrom(250));
    EXPECT_EQ(from.endTick(), song.endTick() - 250);
    ASSERT_EQ(from.tempoMap().size(), 2u);
    EXPECT_EQ(from.tempoMap()[0].tick, 0);
    EXPECT_EQ(from.tempoMap()[1].tick, 0); // the later one wins at the start
    EXPECT_DOUBLE_EQ(from.tempoAt(0), 60.0);

    // Program and controller moved to the start, the first note gone, the second shifted.
    const Bytes piece = from.bytesFrom(0);
    const Bytes expected = TrackBuilder().program(0, 5).raw({0xB0, 7, 90}).at(46).noteOn(0, 62, 100)
                               .at(100).raw({0x90, 62, 0}).end().events();
    const Bytes tail(piece.end() - static_cast<long>(expected.size()), piece.end());
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(song.bytesFrom(0), song.bytes());
}

TEST(SmfSongFromStart, EndsTracksThatAreOverAtTheStart)
{
    const Bytes bytes = smfFile({
        TrackBuilder().noteOn(0, 60, 100).at(10).noteOff(0, 60).end().chunk(),
        TrackBuilder().noteOn(1, 60, 100).at(500).noteOff(1, 60).end().chunk(),
    });
    const SmfSong from = parse(parse(bytes).bytesFrom(100));
    EXPECT_EQ(from.endTick(), 400);
}

// SMPTE time counts frames per second times ticks per frame; tempo events do not move it.
TEST(SmfSongSmpte, CountsTicksPerSecondWhateverTheTempoEvents)
{
    const struct { int division; std::uint32_t ticks; double seconds; } cases[] = {
        {0xE728, 2500, 2.5},       // 25 fps x 40
        {0xE850, 1920 * 3, 3.0},   // 24 fps x 80
        {0xE264, 3000 * 2, 2.0},   // 30 fps x 100
        {0xE364, 3000 * 2, 2.002}, // 29.97 fps x 100: 30 frames take 1.001 s
    };
    for (const auto& c : cases) {
        TrackBuilder track;
        track.tempo(250000).noteOn(0, 60, 100).at(c.ticks / 2).tempo(2000000).at(c.ticks / 2).noteOff(0, 60).end();
        const SmfSong song = parse(smfFile({track.chunk()}, c.division));
        EXPECT_TRUE(song.smpte());
        EXPECT_EQ(song.endTick(), c.ticks);
        EXPECT_NEAR(song.secondsAt(song.length()), c.seconds, 1e-3) << std::hex << c.division;
        EXPECT_NEAR(song.microsAt(c.ticks / 2) * 2, c.seconds * 1e6, 1.0) << std::hex << c.division;
        EXPECT_EQ(song.tickAt(c.seconds * 1e6 / 2 + 1), c.ticks / 2) << std::hex << c.division;

        // Its metrical equivalent: the same ticks, one tempo, no tempo events.
        const SmfSong metrical = parse(song.bytesFrom(0));
        EXPECT_FALSE(metrical.smpte());
        EXPECT_EQ(metrical.division(), song.division());
        EXPECT_EQ(metrical.endTick(), song.endTick());
        ASSERT_EQ(metrical.tempoMap().size(), 1u);
        EXPECT_NEAR(metrical.secondsAt(metrical.length()), c.seconds, 1e-3);
        const SmfSong later = parse(song.bytesFrom(c.ticks / 2));
        EXPECT_NEAR(later.secondsAt(later.length()), c.seconds / 2, 1e-3);
    }
}

// Every event a cursor gives from `start` on, as "due-in-microseconds: bytes" ("end" for the end).
std::vector<std::string> cursorEvents(const Bytes& bytes, std::int64_t start)
{
    auto timeline = std::make_shared<const SongTimeline>(std::make_shared<const SmfSong>(parse(bytes)));
    EventCursor cursor(timeline, start);
    std::vector<std::string> out;
    while (auto event = cursor.next()) {
        std::string text = std::to_string(event->dueMicros) + ":";
        if (event->kind == SongEvent::Kind::End)
            text += " end";
        else
            text += (event->kind == SongEvent::Kind::SysEx ? " sysex " : " ") + std::to_string(event->status);
        for (std::uint8_t byte : event->data)
            text += " " + std::to_string(byte);
        out.push_back(text);
    }
    EXPECT_FALSE(cursor.next()) << "nothing after the end";
    return out;
}

TEST(EventCursor, FeedsTheMessagesOfAllTracksInTimeOrderAlongTheTempoMap)
{
    const Bytes bytes = smfFile({
        TrackBuilder().tempo(250000).at(96).tempo(1000000).meta(0x01, {'x'}).at(192).end().chunk(),
        TrackBuilder().program(0, 5).noteOn(0, 60, 100).at(96).noteOff(0, 60).raw({0xF0, 0x03, 0x7E, 0x7F, 0xF7})
            .at(96).raw({0xB0, 7, 90}).raw({0xF0, 0x00}).end().chunk(),
        TrackBuilder().at(96).noteOn(1, 64, 80).at(48).raw({64, 0}).end().chunk(), // running status
    });
    EXPECT_EQ(cursorEvents(bytes, 0), (std::vector<std::string>{
        "0: 192 5", "0: 144 60 100",
        "250000: 128 60 0", "250000: sysex 240 126 127 247", "250000: 145 64 80",
        "750000: 145 64 0", "1250000: 176 7 90", "2250000: end"}));
    // In SMPTE time, 25 frames of 40 ticks a second, whatever the tempo events say.
    const Bytes smpte = smfFile({TrackBuilder().tempo(250000).noteOn(0, 60, 100).at(2500).noteOff(0, 60).end().chunk()},
                                0xE728);
    EXPECT_EQ(cursorEvents(smpte, 1000), (std::vector<std::string>{"1500000: 128 60 0", "1500000: end"}));
}

TEST(EventCursor, ChasesTheLastOfEachValueAndEverythingThatActsInSequence)
{
    TrackBuilder track;
    track.raw({0xB0, 7, 100}).raw({0xB0, 0, 1}).program(0, 5).raw({0xE0, 0, 80}).raw({0xB0, 101, 0})
        .raw({0xB0, 100, 0}).raw({0xB0, 6, 12}).noteOn(0, 60, 100).at(96).raw({0xB0, 7, 90}).raw({0xB0, 0, 2})
        .program(0, 7).raw({0xE0, 0, 64}).raw({0xF0, 0x02, 0x41, 0xF7}).raw({0xD1, 30}).raw({0xA0, 60, 10})
        .at(96).raw({0xB1, 121, 0}).noteOff(0, 60).end();
    const Bytes bytes = smfFile({TrackBuilder().tempo(1000000).end().chunk(), track.chunk()});
    EXPECT_EQ(cursorEvents(bytes, 100), (std::vector<std::string>{
        "0: 176 0 1", "0: 176 101 0", "0: 176 100 0", "0: 176 6 12", "0: 176 7 90", "0: 176 0 2",
        "0: 192 7", "0: 224 0 64", "0: sysex 240 65 247", "0: 209 30",
        "958333: 177 121 0", "958333: 128 60 0", "958333: end"}));
    // A start past the end starts at the end: the whole state, the last tick's messages, the end.
    EXPECT_EQ(cursorEvents(bytes, 1000).back(), "0: end");
    EXPECT_EQ(cursorEvents(bytes, 1000).size(), 13u);
}

Bytes withTrack(TrackBuilder& track)
{
    return smfFile({track.end().chunk()});
}

TEST(SmfSongRefuses, FilesThatAreNotStandardMidiFiles)
{
    EXPECT_THROW(parse({}), EngineError);
    EXPECT_THROW(parse(Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6}), EngineError);
    Bytes riff = oneNote(96, 96);
    riff[0] = 'R';
    EXPECT_THROW(parse(riff), EngineError);
    Bytes longHeader = oneNote(96, 96);
    longHeader[7] = 8;
    EXPECT_THROW(parse(longHeader), EngineError);
    Bytes format3 = oneNote(96, 96);
    format3[9] = 3;
    EXPECT_THROW(parse(format3), EngineError);
}

TEST(SmfSongRefuses, ZeroDivisionsAndUnknownFrameRates)
{
    EXPECT_THROW(parse(oneNote(0, 96)), EngineError);
    EXPECT_THROW(parse(oneNote(0xE700, 96)), EngineError); // -25 fps, no ticks per frame
    EXPECT_THROW(parse(oneNote(0xE628, 96)), EngineError); // -26 fps
    EXPECT_THROW(parse(oneNote(0xFF28, 96)), EngineError); // -1 fps
}

TEST(SmfSongRefuses, TruncatedFiles)
{
    const Bytes whole = oneNote(96, 96);
    for (std::size_t cut : {whole.size() - 2, std::size_t{14 + 6}, std::size_t{14 + 2}, std::size_t{14 + 8 + 2}}) {
        const Bytes truncated(whole.begin(), whole.begin() + static_cast<long>(cut));
        EXPECT_THROW(parse(truncated), EngineError) << "cut at " << cut;
    }
    Bytes missingTrack = smfFile({TrackBuilder().end().chunk()});
    missingTrack[11] = 2;
    EXPECT_THROW(parse(missingTrack), EngineError);
}

TEST(SmfSongRefuses, AnotherChunkWhereATrackIsExpected)
{
    // The player never moves on from an unknown chunk id.
    const Bytes bytes = smfFile({rawChunk("XFIH", {1, 2, 3}, 3), TrackBuilder().end().chunk()});
    Bytes oneTrack = bytes;
    oneTrack[11] = 1;
    EXPECT_THROW(parse(oneTrack), EngineError);
    EXPECT_THROW(parse(bytes), EngineError);
}

TEST(SmfSongRefuses, MetaEventsOfTheWrongLength)
{
    const std::pair<std::uint8_t, Bytes> wrong[] = {
        {0x58, {4, 2, 24}},   // time signature
        {0x59, {0, 0, 0}},    // key signature
        {0x51, {7, 0xA1}},    // tempo
        {0x54, {1, 2, 3, 4}}, // SMPTE offset
        {0x2F, {0}},          // end of track
    };
    for (const auto& [type, data] : wrong) {
        TrackBuilder track;
        track.meta(type, data);
        EXPECT_THROW(parse(withTrack(track)), EngineError) << "meta type " << int(type);
    }
}

TEST(SmfSongRefuses, MalformedEvents)
{
    TrackBuilder noRunningStatus;
    noRunningStatus.raw({60, 100});
    EXPECT_THROW(parse(withTrack(noRunningStatus)), EngineError);

    TrackBuilder escape;
    escape.raw({0xF7, 0x01, 0x00});
    EXPECT_THROW(parse(withTrack(escape)), EngineError);

    TrackBuilder songPosition;
    songPosition.raw({0xF2, 0x00, 0x00});
    EXPECT_THROW(parse(withTrack(songPosition)), EngineError);

    const Bytes fiveByteDelta{0x81, 0x81, 0x81, 0x81, 0x00, 0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00};
    EXPECT_THROW(parse(smfFile({rawChunk("MTrk", fiveByteDelta, 12)})), EngineError);

    TrackBuilder longSysEx;
    longSysEx.raw({0xF0, 0x7F, 0x01});
    EXPECT_THROW(parse(smfFile({longSysEx.chunk()})), EngineError);
}

} // namespace
} // namespace tonvex::test
