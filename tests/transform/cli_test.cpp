#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include "win32_path.h"
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
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

// A word for cmd.exe: file names on Windows cannot hold '"'.
std::string quoted(const std::string& path)
{
    return '"' + path + '"';
}

// Through cmd.exe with a UTF-16 command line, so that any name reaches the tool; read as
// bytes, so that the output must be the same as on POSIX, without CR.
ToolRun runShell(const std::string& command)
{
    ToolRun run;
    bool ok = false;
    // cmd /c drops the first and last quote of a command that starts with one.
    const std::wstring wide = wideFromUtf8('"' + command + '"', ok);
    FILE* pipe = ::_wpopen(wide.c_str(), L"rb");
    if (pipe == nullptr)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    run.exitStatus = ::_pclose(pipe);
    return run;
}

std::string toolPath()
{
    std::string path = TONVEX_TRANSFORM_TOOL;
    std::replace(path.begin(), path.end(), '/', kSeparator);
    return path;
}
#else
constexpr char kSeparator = '/';

// A shell word for `path` (temporary folders may hold spaces).
std::string quoted(const std::string& path)
{
    std::string word = "'";
    for (const char c : path)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

ToolRun runShell(const std::string& command)
{
    ToolRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int status = ::pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string toolPath()
{
    return TONVEX_TRANSFORM_TOOL;
}
#endif

// A relative path written with '/', in the platform's separators.
std::string native(std::string path)
{
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
    test::writeFile(dir.file("c.mid"), test::singleTrack({0x00, 0x90, 61, 0x40}));

    const ToolRun mixed = runTool(GetParam() + " Penta " + quoted(dir.file("a.mid")) + " " + quoted(dir.file("b.mid")) +
                                  " " + quoted(dir.file("c.mid")));
    EXPECT_EQ(mixed.exitStatus, 1);
    EXPECT_EQ(mixed.output, "ok " + dir.file("a_Penta.mid") + "\nrefused " + dir.file("b.mid") +
                                ": CANNOT READ MIDI FILE!\nok " + dir.file("c_Penta.mid") +
                                "\nsummary: 2 written, 1 refused (1 cannot read)\n");
    EXPECT_EQ(test::readFile(dir.file("c_Penta.mid")), test::singleTrack({0x00, 0x90, 60, 0x40}));

    const ToolRun good = runTool(GetParam() + " reverse " + quoted(dir.file("c.mid")));
    EXPECT_EQ(good.exitStatus, 0);
    EXPECT_EQ(good.output, "ok " + dir.file("c_Reverse.mid") + "\nsummary: 1 written, 0 refused\n");
}

INSTANTIATE_TEST_SUITE_P(Jobs, TransformToolJobsTest, testing::Values("", "-j1", "-j 3", "--jobs=2"));

TEST(TransformToolTest, FolderTakesItsMidiFilesSortedButNotLinkedFoldersOrItsOwnOutputs)
{
    TempDir dir;
    const std::filesystem::path music = dir.path() / "music";
    std::filesystem::create_directories(music / "sub");
    std::filesystem::create_directories(dir.path() / "outside");
    const test::Bytes note67 = test::singleTrack({0x00, 0x90, 67, 0x40});
    test::writeFile(dir.file("outside/x.mid"), note67);
    const std::string prefix = "ok " + test::utf8FromPath(music) + kSeparator;
    std::string links;
#ifndef _WIN32 // links cannot be made from a program under Wine
    std::filesystem::create_directory_symlink("../outside", music / "linked");
    std::filesystem::create_symlink("../outside/x.mid", music / "song-link.mid");
    links = prefix + "song-link_Mirror.mid\n";
#endif
    for (const char* name : {"b.mid", "A.MID", "sub/c.kar.Midi", "notes.txt", "Song.mid", "\u00FC\u97F3.mid"})
        test::writeFile(dir.file(std::string("music/") + name), note67);
    test::writeFile(dir.file("music/Song.midi"), test::singleTrack({0x00, 0x90, 60, 0x40}));
    test::writeFile(dir.file("music/A_Mirror.mid"), {1, 2, 3}); // an earlier run's output

    // Names print as UTF-8; paths sort by their bytes.
    const std::string expected = prefix + "A_Mirror.mid\n" + prefix + "Song_Mirror.mid\n" + prefix + "Song_Mirror.mid\n" +
                                 prefix + "b_Mirror.mid\n" + links + prefix + native("sub/c.kar_Mirror.mid\n") + prefix +
                                 "\u00FC\u97F3_Mirror.mid\nsummary: " + (links.empty() ? "6" : "7") + " written, 0 refused\n";
    for (int run = 0; run < 2; ++run) { // the second run replaces the first one's outputs
        const ToolRun folder = runTool("-j2 Mirror " + quoted(test::utf8FromPath(music)));
        EXPECT_EQ(folder.exitStatus, 0);
        EXPECT_EQ(folder.output, expected) << "run " << run;
    }
    // Song.mid and Song.midi share an output: the later input's is the one left.
    EXPECT_EQ(test::readFile(dir.file("music/Song_Mirror.mid")), test::singleTrack({0x00, 0x90, 60, 0x40}));
    EXPECT_EQ(test::readFile(dir.file("music/A_Mirror.mid")), test::singleTrack({0x00, 0x90, 65, 0x40}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "outside" / "x_Mirror.mid"));
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
}

TEST(TransformToolTest, ProgressShowsOnATerminalOnly)
{
    TempDir dir;
    test::writeFile(dir.file("a.mid"), test::singleTrack({}));
    // runTool's standard error is a pipe: the report alone comes out.
    EXPECT_EQ(runTool("Mirror " + quoted(dir.file("a.mid"))).output,
              "ok " + dir.file("a_Mirror.mid") + "\nsummary: 1 written, 0 refused\n");
#ifdef _WIN32
    GTEST_SKIP() << "no console to give the tool under Wine";
#else
    if (::access("/usr/bin/script", X_OK) != 0)
        GTEST_SKIP() << "no script command to give the tool a terminal";
    const std::string command = std::string(TONVEX_TRANSFORM_TOOL) + " Mirror " + quoted(dir.file("a.mid"));
    const ToolRun onTerminal = runShell("/usr/bin/script -qec " + quoted(command) + " /dev/null");
    EXPECT_NE(onTerminal.output.find("tonvex-transform: 1/1 files"), std::string::npos) << onTerminal.output;
    EXPECT_NE(onTerminal.output.find("ok " + dir.file("a_Mirror.mid")), std::string::npos) << onTerminal.output;
#endif
}

// Under Wine, interrupt_test.sh interrupts the tool on a console instead: Wine delivers no
// console control event to a program without one.
#ifndef _WIN32
TEST(TransformToolTest, AnInterruptedRunLeavesNoTemporaryFileAndEndsByTheSignal)
{
    TempDir dir;
    test::writeFile(dir.file("long.mid"), longSong(4000000));
    std::string tool = TONVEX_TRANSFORM_TOOL;
    std::string preset = "Mirror";
    std::string input = dir.file("long.mid");
    char* argv[] = {tool.data(), preset.data(), input.data(), nullptr};
    pid_t child = -1;
    ASSERT_EQ(::posix_spawn(&child, argv[0], nullptr, nullptr, argv, environ), 0);

    // Interrupted once its temporary file stands beside the input.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (dir.entries().size() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(dir.entries(), std::set<std::string>{"long.mid"});
}
#endif

} // namespace
} // namespace tonvex
