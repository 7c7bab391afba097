#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include "win32_path.h"
#else
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>

#include "midi_builder.h"
#include "file_path.h"
#include "temp_dir.h"
#include "transformation_run.h"

namespace tonvex {
namespace {

using test::Bytes;
using test::readFile;
using test::TempDir;
using test::writeFile;

const Bytes kInput = test::singleTrack({0x00, 0x90, 67, 0x40, 0x60, 0x80, 67, 0x00});
const Bytes kMirrored = test::singleTrack({0x00, 0x90, 65, 0x40, 0x60, 0x80, 65, 0x00});
const Bytes kBroken = test::singleTrack({0x00, 0xFF, 0x80, 0x00}); // refused meta type

const YieldHook kGoOn = [] { return true; };
const char kSeparator = kNativePathStyle == PathStyle::Windows ? '\\' : '/';

#ifdef _WIN32
bool isHidden(const std::string& path)
{
    return (::GetFileAttributesW(win32Path(path).c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
}
#endif

TEST(OutputFileNameTest, CutsTheFileNameAtItsFirstMidMark)
{
    EXPECT_EQ(outputFileName("/music/Song.mid", "_Whole.mid"), "/music/Song_Whole.mid");
    EXPECT_EQ(outputFileName("/music/SONG.MID", "_Mirror.mid"), "/music/SONG_Mirror.mid");
    EXPECT_EQ(outputFileName("/music/Song.Mid.mid", "_Mirror.mid"), "/music/Song_Mirror.mid");
    EXPECT_EQ(outputFileName("/music/song.midi", "_Upside.mid"), "/music/song_Upside.mid");
    EXPECT_EQ(outputFileName("/music/Karaoke.kar.mid", "_Penta.mid"), "/music/Karaoke.kar_Penta.mid");
    EXPECT_EQ(outputFileName("Song.mid", "_Reverse.mid"), "Song_Reverse.mid");
    EXPECT_EQ(outputFileName("/music/.mid", "_Reverse.mid"), "/music/_Reverse.mid");
    EXPECT_EQ(outputFileName("/música/Café.MiD", "_Whole.mid"), "/música/Café_Whole.mid");
}

TEST(OutputFileNameTest, FolderNamesNeverCount)
{
    EXPECT_EQ(outputFileName("/my.midi files/Song.mid", "_Penta.mid"), "/my.midi files/Song_Penta.mid");
    EXPECT_EQ(outputFileName("/a.mid/b.MID/c.mId", "_Mirror.mid"), "/a.mid/b.MID/c_Mirror.mid");
    EXPECT_EQ(outputFileName("/music.mid/song.kar", "_Mirror.mid"), std::nullopt);
    EXPECT_EQ(outputFileName("/music/song.mi", "_Mirror.mid"), std::nullopt);
    EXPECT_EQ(outputFileName("/music/", "_Mirror.mid"), std::nullopt);
    EXPECT_EQ(outputFileName("", "_Mirror.mid"), std::nullopt);
#ifdef _WIN32
    EXPECT_EQ(outputFileName("Z:\\a.mid\\b.mid/Song.MID", "_Mirror.mid"), "Z:\\a.mid\\b.mid/Song_Mirror.mid");
    EXPECT_EQ(outputFileName("\\\\server\\x.mid\\Song.mid", "_Penta.mid"), "\\\\server\\x.mid\\Song_Penta.mid");
    EXPECT_EQ(outputFileName("C:.mid", "_Mirror.mid"), "C:_Mirror.mid");
#else
    // '\' and ':' are letters of a file name here.
    EXPECT_EQ(outputFileName("/music/my.mid\\song.kar", "_Mirror.mid"), "/music/my_Mirror.mid");
    EXPECT_EQ(outputFileName("/music/C:.mid", "_Mirror.mid"), "/music/C:_Mirror.mid");
#endif
}

TEST(MirrorTest, WritesTheTransformedFileBesideTheInput)
{
    TempDir dir;
    writeFile(dir.file("Song.MID"), kInput);
    const mode_t previousMask = ::umask(022);
    const RunResult result = MIRROR(dir.file("Song.MID"), test::presetFor(test::kMirror), kGoOn);
    ::umask(previousMask);
    ASSERT_EQ(result.status, RunStatus::Written);
    EXPECT_EQ(result.outFileName, dir.file("Song_Mirror.mid"));
    EXPECT_EQ(readFile(result.outFileName), kMirrored);
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"Song.MID", "Song_Mirror.mid"}));

#ifndef _WIN32
    struct stat info {};
    ASSERT_EQ(::stat(result.outFileName.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
#endif
}

TEST(MirrorTest, ReplacesAnEarlierOutput)
{
    TempDir dir;
    writeFile(dir.file("Song.mid"), kInput);
    writeFile(dir.file("Song_Mirror.mid"), Bytes(100000, 0x55));
    const RunResult result = MIRROR(dir.file("Song.mid"), test::presetFor(test::kMirror), kGoOn);
    ASSERT_EQ(result.status, RunStatus::Written);
    EXPECT_EQ(readFile(dir.file("Song_Mirror.mid")), kMirrored);
    EXPECT_EQ(dir.entries().size(), 2u);
}

TEST(MirrorTest, UnreadableInputsWriteNothing)
{
    TempDir dir;
    writeFile(dir.file("broken.mid"), kBroken);
    writeFile(dir.file("notes.txt"), kInput);
    std::filesystem::create_directory(dir.file("folder.mid"));
    const auto before = dir.entries();
    const Preset mirror = test::presetFor(test::kMirror);

    for (const std::string name : {"broken.mid", "missing.mid", "folder.mid", "notes.txt"}) {
        const RunResult result = MIRROR(dir.file(name), mirror, kGoOn);
        EXPECT_EQ(result.status, RunStatus::CannotRead) << name;
        if (name == "broken.mid") {
            EXPECT_EQ(result.detail, "meta type 0x80 at byte 24");
        }
        EXPECT_TRUE(result.outFileName.empty()) << name;
        EXPECT_EQ(dir.entries(), before) << name;
    }
}

TEST(MirrorTest, AFailedRunLeavesAnExistingOutputAlone)
{
    TempDir dir;
    writeFile(dir.file("Song.mid"), kBroken);
    const Bytes earlier(5000, 0x42);
    writeFile(dir.file("Song_Mirror.mid"), earlier);
    EXPECT_EQ(MIRROR(dir.file("Song.mid"), test::presetFor(test::kMirror), kGoOn).status, RunStatus::CannotRead);
    EXPECT_EQ(readFile(dir.file("Song_Mirror.mid")), earlier);
    EXPECT_EQ(dir.entries().size(), 2u);
}

TEST(MirrorTest, AnOutputThatCannotBeWrittenLeavesNothingBehind)
{
    TempDir dir;
    writeFile(dir.file("Song.mid"), kInput);
    // A folder where the output file should go: the final rename fails.
    std::filesystem::create_directory(dir.file("Song_Mirror.mid"));
    const RunResult result = MIRROR(dir.file("Song.mid"), test::presetFor(test::kMirror), kGoOn);
    EXPECT_EQ(result.status, RunStatus::CannotWrite);
    EXPECT_TRUE(result.outFileName.empty());
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"Song.mid", "Song_Mirror.mid"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("Song_Mirror.mid")));
}

TEST(MirrorTest, CancelLeavesNothingBehind)
{
    TempDir dir;
    Bytes events;
    for (int i = 0; i < 100000; ++i)
        events.insert(events.end(), {0x00, 0x90, 60, 0x40});
    writeFile(dir.file("Long.mid"), test::singleTrack(events));
    const Bytes earlier{1, 2, 3};
    writeFile(dir.file("Long_Penta.mid"), earlier);

    int calls = 0;
    bool sawTemporary = false;
    const RunResult result = MIRROR(dir.file("Long.mid"), test::presetFor(test::kPenta), [&] {
        // Past the first full buffer, the partial output lives under a hidden name beside the input.
        if (++calls == 90000) {
            sawTemporary = dir.entries().size() == 3;
#ifdef _WIN32
            for (const std::string& name : dir.entries()) // hidden, as a leading dot hides nothing here
                sawTemporary = sawTemporary && (name.starts_with("Long") || isHidden(dir.file(name)));
#endif
        }
        return calls < 90000;
    });
    EXPECT_EQ(result.status, RunStatus::Cancelled);
    EXPECT_TRUE(sawTemporary);
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"Long.mid", "Long_Penta.mid"}));
    EXPECT_EQ(readFile(dir.file("Long_Penta.mid")), earlier);
}

TEST(MirrorTest, OutputNamesNearTheFileNameLimitAreWritten)
{
    TempDir dir;
    const std::string base(243, 'n'); // "_Mirror.mid" brings the output name to 254 bytes
    writeFile(dir.file(base + ".mid"), kInput);
    const RunResult result = MIRROR(dir.file(base + ".mid"), test::presetFor(test::kMirror), kGoOn);
    ASSERT_EQ(result.status, RunStatus::Written);
    EXPECT_EQ(readFile(dir.file(base + "_Mirror.mid")), kMirrored);
    EXPECT_EQ(dir.entries().size(), 2u);
}

TEST(MirrorTest, AWorkspaceServesManyRunsWithDifferentPresets)
{
    TempDir dir;
    Bytes events;
    for (int i = 0; i < 100000; ++i) // longer than the buffers, so they are refilled and drained
        events.insert(events.end(), {0x00, 0x90, static_cast<std::uint8_t>(i % 128), 0x40});
    const Bytes longSong = test::singleTrack(events);
    const struct {
        const char* name;
        const Bytes& bytes;
        PresetId button;
    } runs[] = {{"long.mid", longSong, test::kMirror}, {"short.mid", kInput, test::kPenta},
                {"broken.mid", kBroken, test::kPenta},  {"again.mid", kInput, test::kReverse},
                {"long2.mid", longSong, test::kReverse}};
    RunWorkspace workspace;
    for (const auto& run : runs) {
        const Preset preset = test::presetFor(run.button);
        const test::StreamOutcome expected = test::runStream(run.bytes, preset);
        const RunResult result = MIRRORInline(dir.write(run.name, run.bytes), preset, [] { return true; }, workspace);
        ASSERT_EQ(result.status, expected.status) << run.name;
        if (result.status == RunStatus::Written) {
            EXPECT_EQ(readFile(result.outFileName), expected.output) << run.name;
        }
    }
}

// An input's folder under the test's own, its name, and whether its path is written with '/'.
struct PathCase {
    const char* label;
    std::string folder;
    std::string file;
    bool forwardSlashes = false;
};
class MirrorPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(MirrorPathTest, WritesAndReplacesTheOutputBesideTheInput)
{
    TempDir dir;
    std::string folder = dir.file(GetParam().folder);
    std::replace(folder.begin(), folder.end(), GetParam().forwardSlashes ? '\\' : '/', kSeparator);
    std::filesystem::create_directories(test::ioPath(folder));
    const std::string input = joinPath(folder, GetParam().file);
    writeFile(input, kInput);
    for (int run = 0; run < 2; ++run) { // the second run replaces the first one's output
        const RunResult result = MIRROR(input, test::presetFor(test::kMirror), kGoOn);
        ASSERT_EQ(result.status, RunStatus::Written) << run;
        EXPECT_EQ(result.outFileName, input.substr(0, input.size() - 4) + "_Mirror.mid");
        EXPECT_EQ(readFile(result.outFileName), kMirrored);
        EXPECT_EQ(test::entriesOf(folder).size(), 2u); // no temporary file left
#ifdef _WIN32
        EXPECT_FALSE(isHidden(result.outFileName));
#endif
    }
}

// The long name takes the path past 260 letters, the folder short enough for the test's own calls.
INSTANTIATE_TEST_SUITE_P(
    Paths, MirrorPathTest,
    testing::Values(PathCase{"Unicode", "m\u00FAsica \u97F3", "\u00FC\u97F3 Song \U0001F3B5.mid"},
                    PathCase{"Long", std::string(100, 'd') + "/" + std::string(60, 'e'), std::string(120, 'n') + ".mid"},
                    PathCase{"ForwardSlashes", "a b/c", "Song.mid", kSeparator == '\\'}),
    [](const testing::TestParamInfo<PathCase>& info) { return std::string(info.param.label); });

TEST(MirrorTest, EmptyYieldHookMeansGoOn)
{
    TempDir dir;
    writeFile(dir.file("Song.mid"), kInput);
    EXPECT_EQ(MIRROR(dir.file("Song.mid"), test::presetFor(test::kMirror), {}).status, RunStatus::Written);
}

} // namespace
} // namespace tonvex
