#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "file_byte_sink.h"
#include "file_byte_source.h"
#include "file_handle.h"
#include "temp_dir.h"

namespace tonvex {
namespace {

using test::TempDir;

std::vector<std::uint8_t> pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    return bytes;
}

TEST(FileByteStreamTest, BytesSurviveEveryBufferSize)
{
    TempDir dir;
    const auto bytes = pattern(10007);
    test::writeFile(dir.file("in"), bytes);
    for (const std::size_t size : {1, 2, 3, 4096, 10007, 65536}) {
        SCOPED_TRACE(size);
        FileByteSource in(dir.file("in"), size);
        ASSERT_TRUE(in.isOpen());
        FileHandle fd(::open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
        ASSERT_TRUE(fd.isOpen());
        FileByteSink out(fd.get(), size);
        std::uint8_t byte = 0;
        while (in.get(byte))
            out.put(byte);
        EXPECT_EQ(in.position(), bytes.size());
        EXPECT_FALSE(in.get(byte)); // stays at the end
        ASSERT_TRUE(out.flush());
        EXPECT_TRUE(fd.close());
        EXPECT_EQ(test::readFile(dir.file("out")), bytes);
    }
}

TEST(FileByteStreamTest, MissingFilesAndDirectoriesReadNothing)
{
    TempDir dir;
    std::uint8_t byte = 0;
    FileByteSource missing(dir.file("nothing"));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(missing.get(byte));
    FileByteSource folder(dir.path().string());
    EXPECT_FALSE(folder.get(byte));
}

TEST(FileByteStreamTest, AFullDeviceFailsTheSinkForGood)
{
    FileHandle full(::open("/dev/full", O_WRONLY));
    if (!full.isOpen())
        GTEST_SKIP() << "no /dev/full";
    FileByteSink out(full.get(), 16);
    for (int i = 0; i < 15; ++i)
        out.put(0x11);
    EXPECT_FALSE(out.failed()); // still buffered
    out.put(0x11);
    out.put(0x11); // the buffer is drained here
    EXPECT_TRUE(out.failed());
    EXPECT_FALSE(out.flush());
}

} // namespace
} // namespace tonvex
