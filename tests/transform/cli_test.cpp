#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "midi_builder.h"
#include "temp_dir.h"

namespace tonvex {
namespace {

using test::TempDir;

struct ToolRun {
    int exitStatus = -1;
    std::string output;
};

// A shell word for `path` (temporary folders may hold spaces).
std::string quoted(const std::string& path)
{
    std::string word = "'";
    for (const char c : path)
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

ToolRun runTool(const std::string& arguments)
{
    ToolRun run;
    FILE* pipe = ::popen((std::string(TONVEX_TRANSFORM_TOOL) + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int status = ::pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(TransformToolTest, ReportsEachFileAndFailsIfAnyIsRefused)
{
    TempDir dir;
    test::writeFile(dir.file("a.mid"), test::singleTrack({0x00, 0x90, 61, 0x40}));
    test::writeFile(dir.file("b.mid"), test::singleTrack({0x00, 0xF4}));
    test::writeFile(dir.file("c.mid"), test::singleTrack({0x00, 0x90, 60, 0x40}));

    const ToolRun mixed = runTool("Penta " + quoted(dir.file("a.mid")) + " " + quoted(dir.file("b.mid")) + " " + quoted(dir.file("c.mid")));
    EXPECT_EQ(mixed.exitStatus, 1);
    EXPECT_EQ(mixed.output, "ok " + dir.file("a_Penta.mid") + "\nrefused " + dir.file("b.mid") +
                                ": CANNOT READ MIDI FILE!\nok " + dir.file("c_Penta.mid") + "\n");
    EXPECT_EQ(test::readFile(dir.file("a_Penta.mid")), test::singleTrack({0x00, 0x90, 60, 0x40}));

    const ToolRun good = runTool("reverse " + quoted(dir.file("a.mid")));
    EXPECT_EQ(good.exitStatus, 0);
    EXPECT_EQ(good.output, "ok " + dir.file("a_Reverse.mid") + "\n");
}

TEST(TransformToolTest, UsageErrorsWriteNothing)
{
    TempDir dir;
    test::writeFile(dir.file("a.mid"), test::singleTrack({}));
    EXPECT_EQ(runTool("Sideways " + quoted(dir.file("a.mid"))).exitStatus, 1);
    EXPECT_EQ(runTool("Mirror").exitStatus, 1);
    EXPECT_EQ(runTool("").exitStatus, 1);
    EXPECT_EQ(dir.entries(), std::set<std::string>{"a.mid"});
}

} // namespace
} // namespace tonvex
