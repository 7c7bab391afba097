#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include "win32_path.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <algorithm>
#include <chrono>
#include <system_error>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "midi_builder.h"
#include "temp_dir.h"

namespace tonvex {
namespace {

using test::TempDir;

struct ToolRun {
    int exitStatus = -1;
    std::string output;
};

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr const char* kChangeFolder = "cd /d ";
// The system's words for `error`, without the line break and full stop it ends them with.
std::string systemWords(DWORD error)
{
    const std::string words = std::system_category().message(static_cast<int>(error));
    return words.substr(0, words.find_last_not_of(".\r\n") + 1);
}
const std::string kNoSuchFile = systemWords(ERROR_FILE_NOT_FOUND);
const std::string kFolderInTheWay = systemWords(ERROR_ACCESS_DENIED);
constexpr const char* kBachAgain = "Bach.midi"; // names differing in letter case only name one file

// A word for cmd.exe, which file names on Windows cannot break.
std::string quoted(const std::string& path)
{
    return '"' + path + '"';
}
#else
constexpr char kSeparator = '/';
constexpr const char* kChangeFolder = "cd ";
const std::string kNoSuchFile = "No such file or directory";
const std::string kFolderInTheWay = "Is a directory";
constexpr const char* kBachAgain = "Bach.MID"; // a second name with the same output

// A shell word for `path` (temporary folders may hold spaces).
std::string quoted(const std::string& path)
{
    std::string word = "'";
    for (const char c : path)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}
#endif

// On Windows through cmd.exe in UTF-16, read as bytes: the output must be POSIX's, without CR.
ToolRun runShell(const std::string& command)
{
    ToolRun run;
#ifdef _WIN32
    bool ok = false; // cmd /c drops the first and last quote of a command that starts with one
    FILE* pipe = ::_wpopen(wideFromUtf8('"' + command + '"', ok).c_str(), L"rb");
#else
    FILE* pipe = ::popen(command.c_str(), "r");
#endif
    if (pipe == nullptr)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
#ifdef _WIN32
    run.exitStatus = ::_pclose(pipe);
#else
    const int status = ::pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return run;
}

std::string toolPath()
{
    std::string path = TONVEX_TRANSFORM_TOOL;
    std::replace(path.begin(), path.end(), '/', kSeparator);
    return path;
}

// Standard error joins standard output, so that anything the tool writes there shows.
ToolRun runTool(const std::string& arguments)
{
    return runShell(quoted(toolPath()) + " " + arguments + " 2>&1");
}

test::Bytes longSong(int notes)
{
    test::Bytes events;
    for (int i = 0; i < notes; ++i)
        events.insert(events.end(), {0x00, 0x90, 60, 0x40});
    return test::singleTrack(events);
}

class TransformToolJobsTest : public testing::TestWithParam<std::string> {};

TEST_P(TransformToolJobsTest, ReportsEachFileInInputOrderAndFailsIfAnyIsRefused)
{
    TempDir dir;
    // The first file takes longest, so that with several jobs it finishes last.
    test::writeFile(dir.file("a.mid"), longSong(500000));
    test::writeFile(dir.file("b.mid"), test::singleTrack({0x00, 0xF4}));
    // Any name passes in and prints out as UTF-8.
    test::writeFile(dir.file("c \u00FC\u97F3.mid"), test::singleTrack({0x00, 0x90, 61, 0x40}));

    const ToolRun mixed = runTool(GetParam() + " Penta " + quoted(dir.file("a.mid")) + " " + quoted(dir.file("b.mid")) +
                                  " " + quoted(dir.file("c \u00FC\u97F3.mid")));
    EXPECT_EQ(mixed.exitStatus, 1);
    EXPECT_EQ(mixed.output, "ok " + dir.file("a_Penta.mid") + "\nrefused " + dir.file("b.mid") +
                                ": CANNOT READ MIDI FILE! (status 0xf4 at byte 23)\nok " + dir.file("c \u00FC\u97F3_Penta.mid") +
                                "\nsummary: 2 written, 1 refused (1 cannot read)\n");
    EXPECT_EQ(test::readFile(dir.file("c \u00FC\u97F3_Penta.mid")), test::singleTrack({0x00, 0x90, 60, 0x40}));

    const ToolRun good = runTool(GetParam() + " reverse " + quoted(dir.file("c \u00FC\u97F3.mid")));
    EXPECT_EQ(good.exitStatus, 0);
    EXPECT_EQ(good.output, "ok " + dir.file("c \u00FC\u97F3_Reverse.mid") + "\nsummary: 1 written, 0 refused\n");
}

INSTANTIATE_TEST_SUITE_P(Jobs, TransformToolJobsTest, testing::Values("", "-j1", "-j 3", "--jobs=2"));

TEST(TransformToolTest, FolderTakesMidiEndingsSortedButNotLinkedFoldersOrPresetOutputs)
{
    TempDir dir;
    const std::filesystem::path music = dir.path() / "music";
    std::filesystem::create_directories(music / "sub");
    std::filesystem::create_directories(dir.path() / "outside");
    const test::Bytes note67 = test::singleTrack({0x00, 0x90, 67, 0x40});
    test::writeFile(dir.file("outside/x.mid"), note67);
    const std::string prefix = "ok " + music.string() + kSeparator;
    std::string link; // links cannot be made from a program under Wine
#ifndef _WIN32
    std::filesystem::create_directory_symlink("../outside", music / "linked");
    std::filesystem::create_symlink("../outside/x.mid", music / "song-link.mid");
    link = prefix + "song-link_Mirror.mid\n";
#endif
    for (const char* name : {"b.mid", "A.MID", "sub/c.kar.Midi", "notes.txt", "Song.mid", "my.middle.txt",
                             "Bach.mid.bak", "x_PENTA.mid", "Song_Penta.mid"})
        test::writeFile((music / name).string(), note67);
    test::writeFile((music / "Song.midi").string(), test::singleTrack({0x00, 0x90, 60, 0x40}));
    test::writeFile((music / "A_Mirror.mid").string(), {1, 2, 3}); // an earlier run's output

    const ToolRun folder = runTool("-j2 Mirror " + quoted(music.string()));
    EXPECT_EQ(folder.exitStatus, 1);
    EXPECT_EQ(folder.output, prefix + "A_Mirror.mid\n" + prefix + "Song_Mirror.mid\nrefused " + (music / "Song.midi").string() +
                                 ": SAME OUTPUT AS " + (music / "Song.mid").string() + "\n" + prefix + "b_Mirror.mid\n" +
                                 link + prefix + "sub" + kSeparator + "c.kar_Mirror.mid\nsummary: " +
                                 (link.empty() ? "4" : "5") + " written, 1 refused (1 same output)\n");
    EXPECT_EQ(test::readFile((music / "Song_Mirror.mid").string()), test::singleTrack({0x00, 0x90, 65, 0x40}));
    EXPECT_EQ(test::readFile((music / "A_Mirror.mid").string()), test::singleTrack({0x00, 0x90, 65, 0x40}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "outside" / "x_Mirror.mid"));

    // Taken in anyway, outputs are still never read by the run that writes them.
    const ToolRun all = runTool("--include-outputs Penta " + quoted(music.string()));
    EXPECT_EQ(all.exitStatus, 1);
    EXPECT_NE(all.output.find(prefix + "Song_Mirror_Penta.mid\nrefused " + (music / "Song_Penta.mid").string() + ": OUTPUT OF " +
                              (music / "Song.mid").string() + "\n"), std::string::npos) << all.output;
    EXPECT_NE(all.output.find(std::string("summary: ") + (link.empty() ? "9" : "11") + " written, 2 refused (1 same output, 1 output of another input)\n"), std::string::npos);
}

TEST(TransformToolTest, RefusalsNameTheirCauseAndTheFirstOfOneOutputIsWritten)
{
    TempDir dir;
    test::writeFile(dir.file("Bach.mid"), test::singleTrack({0x00, 0x90, 62, 0x40}));
    test::writeFile(dir.file(kBachAgain), test::singleTrack({0x00, 0x90, 64, 0x40}));
    for (const char* name : {"song.txt", "dir.mid"})
        test::writeFile(dir.file(name), test::singleTrack({}));
    std::filesystem::create_directory(dir.path() / "dir_Mirror.mid");
    const std::string bach = quoted(dir.file("Bach.mid"));
    const std::string bachUpper = quoted(dir.file(kBachAgain));

    const ToolRun run = runTool("-j4 Mirror " + bach + " " + bachUpper + " " + quoted(dir.file("song.txt")) + " " +
                                quoted(dir.file("missing.mid")) + " " + quoted(dir.file("dir.mid")) + " " + bach);
    EXPECT_EQ(run.exitStatus, 1);
    const std::string sameAsBach = ": SAME OUTPUT AS " + dir.file("Bach.mid") + "\n";
    EXPECT_EQ(run.output, "ok " + dir.file("Bach_Mirror.mid") + "\nrefused " + dir.file(kBachAgain) + sameAsBach +
                              "refused " + dir.file("song.txt") + ": CANNOT READ MIDI FILE! (no \".MID\" in the name)\n" +
                              "refused " + dir.file("missing.mid") + ": CANNOT READ MIDI FILE! (" + kNoSuchFile + ")\n" +
                              "refused " + dir.file("dir.mid") + ": CANNOT WRITE MIDI FILE! (" + kFolderInTheWay + ")\n" +
                              "refused " + dir.file("Bach.mid") + sameAsBach +
                              "summary: 1 written, 5 refused (2 cannot read, 1 cannot write, 2 same output)\n");
    EXPECT_EQ(test::readFile(dir.file("Bach_Mirror.mid")), test::singleTrack({0x00, 0x90, 58, 0x40}));
    // A relative and an absolute spelling of one output are one output.
    EXPECT_EQ(runShell(kChangeFolder + quoted(dir.path().string()) + " && " + quoted(toolPath()) + " Mirror Bach.mid " + bachUpper).output,
              "ok Bach_Mirror.mid\nrefused " + dir.file(kBachAgain) + ": SAME OUTPUT AS Bach.mid\nsummary: 1 written, 1 refused (1 same output)\n");
    EXPECT_EQ(runTool("mirror " + bachUpper + " " + bach).exitStatus, 1);
    EXPECT_EQ(test::readFile(dir.file("Bach_Mirror.mid")), test::singleTrack({0x00, 0x90, 56, 0x40}));
    EXPECT_EQ(dir.entries(), (std::set<std::string>{kBachAgain, "Bach.mid", "Bach_Mirror.mid", "dir.mid", "dir_Mirror.mid",
                                                    "song.txt"}));
}

TEST(TransformToolTest, UsageErrorsExitWithTwoAndWriteNothing)
{
    TempDir dir;
    test::writeFile(dir.file("a.mid"), test::singleTrack({}));
    const std::string file = quoted(dir.file("a.mid"));
    for (const std::string& arguments : {"Sideways " + file, std::string("Mirror"), std::string(), "-j 0 Mirror " + file,
                                        "-j x Mirror " + file, "--bogus Mirror " + file, "Mirror " + file + " -j"})
        EXPECT_EQ(runTool(arguments).exitStatus, 2) << arguments;
    EXPECT_EQ(dir.entries(), std::set<std::string>{"a.mid"});

    const ToolRun help = runTool("--help");
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.output.rfind("Usage: tonvex-transform ", 0), 0u);
    const ToolRun version = runTool("--version");
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.output.rfind("tonvex-transform (Tonvex) ", 0), 0u);
    const ToolRun shortVersion = runTool("-v");
    EXPECT_EQ(shortVersion.exitStatus, 0);
    EXPECT_EQ(shortVersion.output, version.output);
    // The window's button labels name presets too.
    EXPECT_EQ(runTool("upside-D " + file + " && " + quoted(toolPath()) + " WHOLET " + file).exitStatus, 0);
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"a.mid", "a_Upside.mid", "a_Whole.mid"}));
}

TEST(TransformToolTest, ProgressShowsOnATerminalOnly)
{
    TempDir dir;
    test::writeFile(dir.file("a.mid"), test::singleTrack({}));
    // runTool's standard error is a pipe: the report alone comes out.
    EXPECT_EQ(runTool("Mirror " + quoted(dir.file("a.mid"))).output,
              "ok " + dir.file("a_Mirror.mid") + "\nsummary: 1 written, 0 refused\n");
#ifndef _WIN32 // no console to give the tool under Wine
    if (::access("/usr/bin/script", X_OK) != 0)
        GTEST_SKIP() << "no script command to give the tool a terminal";
    const std::string command = std::string(TONVEX_TRANSFORM_TOOL) + " Mirror " + quoted(dir.file("a.mid"));
    const ToolRun onTerminal = runShell("/usr/bin/script -qec " + quoted(command) + " /dev/null");
    EXPECT_NE(onTerminal.output.find("tonvex-transform: 1/1 files"), std::string::npos) << onTerminal.output;
    EXPECT_NE(onTerminal.output.find("ok " + dir.file("a_Mirror.mid")), std::string::npos) << onTerminal.output;
#endif
}

// Under Wine, interrupt_test.sh does this on a console: Wine has no console events without one.
#ifndef _WIN32
TEST(TransformToolTest, AnInterruptedRunReportsWhatItWroteLeavesNoTemporaryFileAndEndsByTheSignal)
{
    TempDir dir;
    constexpr int kFiles = 120;
    test::writeFile(dir.file("f.mid"), longSong(250000));
    for (int i = 1; i < kFiles; ++i)
        std::filesystem::create_hard_link(dir.file("f.mid"), dir.file("f" + std::to_string(1000 + i) + ".mid"));
    const auto outputs = [&dir] {
        std::set<std::string> found;
        for (const std::string& name : dir.entries())
            if (name.ends_with("_Mirror.mid"))
                found.insert(dir.file(name));
        return found;
    };
    std::string args[] = {TONVEX_TRANSFORM_TOOL, "-j2", "Mirror", dir.path().string()};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), nullptr};
    posix_spawn_file_actions_t actions; // the report goes beside the inputs, where no run takes it
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, dir.file("report").c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t child = -1;
    ASSERT_EQ(::posix_spawn(&child, argv[0], &actions, nullptr, argv, environ), 0);
    ::posix_spawn_file_actions_destroy(&actions);

    // Interrupted a few files in, with most still to do.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (outputs().size() < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;

    std::set<std::string> reported;
    std::string line;
    std::ifstream report(dir.file("report"));
    while (std::getline(report, line) && line.rfind("ok ", 0) == 0)
        reported.insert(line.substr(3));
    EXPECT_EQ(reported, outputs());
    EXPECT_EQ(line, "summary: interrupted, " + std::to_string(reported.size()) + " written, 0 refused, " +
                        std::to_string(kFiles - reported.size()) + " not done");
    EXPECT_LT(reported.size(), std::size_t{kFiles});
    EXPECT_EQ(dir.entries().size(), kFiles + reported.size() + 1); // and no temporary file
}
#endif

} // namespace
} // namespace tonvex
