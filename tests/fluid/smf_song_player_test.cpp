// The reader against FluidSynth's own, on the shared collection of real and broken files: a
// file is accepted exactly when the player loads it, and its end is the player's length.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <fluidsynth.h>

#include "fluid_log.h"
#include "smf_builder.h"
#include "smf_song.h"

namespace tonvex::test {
namespace {

namespace fs = std::filesystem;

struct PlayerVerdict {
    bool loaded = false;
    long totalTicks = 0;
    long tick = 0;
};

// Loads the bytes into a player on a synthesizer with no SoundFont and no audio driver,
// rendering by hand (one block, so that the player reads the file, or more).
PlayerVerdict askPlayer(fluid_synth_t* synth, const std::vector<std::uint8_t>& bytes, int blocks = 1)
{
    std::unique_ptr<fluid_player_t, decltype(&delete_fluid_player)> player(new_fluid_player(synth),
                                                                           &delete_fluid_player);
    fluid_player_add_mem(player.get(), bytes.data(), bytes.size());
    fluid_player_play(player.get());
    float left[64], right[64];
    for (int block = 0; block < blocks; ++block)
        fluid_synth_write_float(synth, 64, left, 0, 1, right, 0, 1);
    PlayerVerdict verdict;
    verdict.totalTicks = fluid_player_get_total_ticks(player.get());
    verdict.tick = fluid_player_get_current_tick(player.get());
    verdict.loaded = fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING;
    fluid_player_stop(player.get());
    return verdict;
}

// A synthesizer with no SoundFont and no audio driver, rendered by hand.
struct BareSynth {
    BareSynth()
    {
        keepLogInTempDir();
        routeFluidLog();
    }
    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings{new_fluid_settings(),
                                                                                 &delete_fluid_settings};
    std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)> synth{new_fluid_synth(settings.get()),
                                                                       &delete_fluid_synth};
};

TEST(SmfSongAgainstThePlayer, PlaysSmpteTimeAtItsFrameRate)
{
    BareSynth bare;
    ASSERT_TRUE(bare.synth);
    TrackBuilder track; // 25 frames of 40 ticks a second; the tempo event must not count
    track.tempo(250000).noteOn(0, 60, 100).at(5000).noteOff(0, 60).end();
    const SmfSong song = SmfSong::parse(smfFile({track.chunk()}, 0xE728));
    const PlayerVerdict player = askPlayer(bare.synth.get(), song.bytesFrom(0), 44100 / 64); // a second at 44.1 kHz
    EXPECT_TRUE(player.loaded);
    EXPECT_EQ(player.totalTicks, song.endTick());
    EXPECT_NEAR(player.tick, 1000, 10);
}

TEST(SmfSongAgainstThePlayer, AcceptsWhatItPlaysAndMeasuresItsLength)
{
    const fs::path dir = TONVEX_TESTDATA_DIR;
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "no shared MIDI test files at " << dir;
    BareSynth bare;
    fluid_synth_t* synth = bare.synth.get();
    ASSERT_TRUE(synth);

    int files = 0, refused = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file())
            continue;
        const std::string ext = entry.path().extension().string();
        if (ext != ".mid" && ext != ".midi" && ext != ".kar" && ext != ".rmi" && ext != ".MID")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ++files;
        const PlayerVerdict player = askPlayer(synth, bytes);
        bool accepted = true;
        long endTick = -1;
        std::string why;
        try {
            endTick = static_cast<long>(SmfSong::parse(bytes).endTick());
        } catch (const EngineError& error) {
            accepted = false;
            why = error.what();
            ++refused;
        }
        const std::string name = fs::relative(entry.path(), dir).string();
        // The tracks read before a failure stay counted in the total, so only the status tells.
        if (player.loaded) {
            EXPECT_TRUE(accepted) << name << ": the player plays it (" << player.totalTicks
                                  << " ticks), refused: " << why;
            if (accepted) {
                EXPECT_EQ(endTick, player.totalTicks) << name;
            }
        } else {
            // A file without any timed event is played and done at once.
            EXPECT_FALSE(accepted && endTick > 0) << name << ": the player refuses it";
        }
    }
    EXPECT_GT(files, 100);
    EXPECT_GT(refused, 0);
}

} // namespace
} // namespace tonvex::test
