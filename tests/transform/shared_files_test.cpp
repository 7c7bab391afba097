#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "midi_builder.h"
#include "reference_walker.h"
#include "temp_dir.h"
#include "transformation_run.h"

namespace tonvex {
namespace {

using test::Bytes;

// Every regular file in the shared MIDI test data (any name: the stream run ignores names).
std::vector<std::filesystem::path> sharedFiles()
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path root(TONVEX_TESTDATA_DIR);
    std::error_code error;
    if (!std::filesystem::is_directory(root, error))
        return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto extension = entry.path().extension().string();
        if (entry.is_regular_file() && extension != ".md" && extension != ".tsv")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class SharedFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_files = sharedFiles();
        if (m_files.empty())
            GTEST_SKIP() << "no shared MIDI test data at " << TONVEX_TESTDATA_DIR;
    }
    std::vector<std::filesystem::path> m_files;
};

TEST_F(SharedFilesTest, EveryPresetChangesOnlyNoteNumbers)
{
    int written = 0;
    int refused = 0;
    std::set<std::string> writtenNames;
    for (const auto& path : m_files) {
        const Bytes input = test::readFile(path.string());
        const test::Walk walk = test::walkMidiFile(input);
        for (const PresetInfo& info : kPresets) {
            SCOPED_TRACE(path.string() + " " + std::string(info.name));
            const Preset preset = test::presetFor(info.id);
            const auto outcome = test::runStream(input, preset, [] { return true; }, 4093);
            ASSERT_EQ(outcome.status == RunStatus::Written, walk.readable);
            if (!walk.readable) {
                EXPECT_LE(outcome.output.size(), input.size());
                EXPECT_FALSE(outcome.refusal.empty());
                ++refused;
                continue;
            }
            ++written;
            writtenNames.insert(path.lexically_relative(TONVEX_TESTDATA_DIR).generic_string());
            // Nothing is lost: not the bytes after the last track, nor a track the header leaves out.
            ASSERT_EQ(outcome.output.size(), input.size());
            ASSERT_EQ(walk.consumed, input.size());
            ASSERT_EQ(outcome.consumed, input.size());
            Bytes expected(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(walk.consumed));
            for (const auto& note : walk.notes)
                expected[note.offset] = TransformNote(preset, input[note.offset], note.channel);
            EXPECT_TRUE(outcome.output == expected) << "output differs beyond the note numbers";
            // Byte by byte, the copier never takes its direct path for whole events.
            EXPECT_TRUE(test::runStream(input, preset, {}, 1).output == expected) << "byte-by-byte copy differs";
        }
    }
    // The collection holds both kinds; a run that refused everything would prove nothing.
    EXPECT_GT(written, 0);
    EXPECT_GT(refused, 0);
    // Well-formed but for reserved text meta types (0x08, 0x0A); track chunks without an
    // end-of-track event, of length 0 among them; bytes after an end-of-track event; a track
    // the header does not count. Players read them all.
    const std::string invalid = "melanchall_drywetmidi/Resources/MIDI_files/Invalid/";
    for (const std::string& name : {std::string("Tonejs_Midi/test/midi/joplin/TheEntertainer.mid"),
                                    std::string("kovaxis_midly/test-asset/Levels.mid"), std::string("kovaxis_midly/test-asset/SysExTest.mid"), invalid + "No_End_of_Track/1979_2.mid",
                                   invalid + "No_End_of_Track/J.JOPLIN.A_woman_left_lonely.mid",
                                   invalid + "No_End_of_Track/bette_davis_eyes.mid", invalid + "No_End_of_Track/satsara1.mid",
                                   invalid + "Invalid_Chunk_Size/shakira-tu.mid", invalid + "Extra_Track_Chunk/arkanoid_modified.mid"})
        EXPECT_TRUE(writtenNames.count(name)) << name;
}

TEST_F(SharedFilesTest, PercussionOnlyFilesComeOutIdentical)
{
    int checked = 0;
    for (const auto& path : m_files) {
        const Bytes input = test::readFile(path.string());
        const test::Walk walk = test::walkMidiFile(input);
        const bool percussionOnly =
            std::all_of(walk.notes.begin(), walk.notes.end(), [](const auto& note) { return note.channel == 10; });
        if (!walk.readable || !percussionOnly)
            continue;
        ++checked;
        const Bytes copied(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(walk.consumed));
        for (const PresetInfo& info : kPresets)
            EXPECT_EQ(test::runStream(input, info.id).output, copied) << path << " " << info.name;
    }
    EXPECT_GT(checked, 0);
}

TEST_F(SharedFilesTest, ReverseTwiceGivesBackTheInputWithoutChannelTwoNotes)
{
    int checked = 0;
    for (const auto& path : m_files) {
        const Bytes input = test::readFile(path.string());
        const test::Walk walk = test::walkMidiFile(input);
        const bool noChannelTwo =
            std::none_of(walk.notes.begin(), walk.notes.end(), [](const auto& note) { return note.channel == 2; });
        const bool notesInRange = std::all_of(walk.notes.begin(), walk.notes.end(),
                                              [&input](const auto& note) { return input[note.offset] < 128; });
        if (!walk.readable || !noChannelTwo || !notesInRange)
            continue;
        ++checked;
        const auto once = test::runStream(input, test::kReverse);
        ASSERT_EQ(once.status, RunStatus::Written) << path;
        const auto twice = test::runStream(once.output, test::kReverse);
        ASSERT_EQ(twice.status, RunStatus::Written) << path;
        EXPECT_TRUE(twice.output == Bytes(input.begin(), input.begin() + static_cast<std::ptrdiff_t>(walk.consumed))) << path;
    }
    EXPECT_GT(checked, 0);
}

TEST_F(SharedFilesTest, FileRunMatchesTheStreamRun)
{
    // The file-level run on a copy of each input, through the real file streams.
    test::TempDir dir;
    const std::string input = dir.file("input.mid");
    const std::string output = dir.file("input_Upside.mid");
    const Preset upside = test::presetFor(test::kUpside);
    for (const auto& path : m_files) {
        SCOPED_TRACE(path.string());
        const Bytes bytes = test::readFile(path.string());
        test::writeFile(input, bytes);
        std::filesystem::remove(output);
        const auto expected = test::runStream(bytes, upside);
        const RunResult result = MIRROR(input, upside, [] { return true; });
        if (expected.status == RunStatus::Written) {
            ASSERT_EQ(result.status, RunStatus::Written);
            EXPECT_TRUE(test::readFile(output) == expected.output);
            EXPECT_EQ(dir.entries().size(), 2u);
        } else {
            EXPECT_EQ(result.status, RunStatus::CannotRead);
            EXPECT_EQ(result.detail, expected.refusal);
            EXPECT_EQ(dir.entries(), std::set<std::string>{"input.mid"});
        }
    }
}

} // namespace
} // namespace tonvex
