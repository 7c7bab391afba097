#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include "win32_path.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "file_byte_sink.h"
#include "file_byte_source.h"
#include "file_handle.h"
#include "temp_dir.h"
#include "temporary_file.h"

namespace tonvex {
namespace {

using test::TempDir;

// Every byte value, and CR LF, 0x1A, CR, LF where text-mode I/O would change them.
std::vector<std::uint8_t> pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    for (std::size_t at : {std::size_t{0}, size / 2, size - 4})
        std::copy_n("\r\n\x1A\r", 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
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
        TemporaryFile file(dir.file("out"));
        std::vector<std::uint8_t> buffer(size);
        FileByteSink out(file, buffer);
        std::uint8_t byte = 0;
        while (in.get(byte))
            out.put(byte);
        EXPECT_EQ(in.position(), bytes.size());
        EXPECT_FALSE(in.get(byte)); // stays at the end
        ASSERT_TRUE(out.flush());
        ASSERT_TRUE(file.commit()); // replacing the previous size's output
        EXPECT_EQ(test::readFile(dir.file("out")), bytes);
        EXPECT_EQ(dir.entries(), (std::set<std::string>{"in", "out"}));
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

#ifndef _WIN32
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
#endif

#ifdef _WIN32
TEST(Win32PathTest, PathsTakeTheResolvedExtendedFormAndNamesSurviveUtf16)
{
    EXPECT_EQ(extendedLengthPath(L"C:\\a.mid"), L"\\\\?\\C:\\a.mid");
    EXPECT_EQ(extendedLengthPath(L"\\\\server\\share\\a"), L"\\\\?\\UNC\\server\\share\\a");
    EXPECT_EQ(extendedLengthPath(L"\\\\?\\UNC\\s\\a"), L"\\\\?\\UNC\\s\\a"); // already extended
    EXPECT_EQ(win32Path("//server/share/dir/../a.mid"), L"\\\\?\\UNC\\server\\share\\a.mid");
    EXPECT_EQ(win32Path("C:/Music/./sub/../a.mid"), L"\\\\?\\C:\\Music\\a.mid");
    EXPECT_EQ(win32Path("C:\\M\xFFsic"), L""); // not UTF-8

    bool ok = true;
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xF4\x90\x80\x80", "a\x80", "\xF8\x88\x80\x80\x80"})
        EXPECT_TRUE(wideFromUtf8(bad, ok).empty() && !ok) << bad;
    EXPECT_EQ(wideFromUtf8("\xC3\xBC\xE9\x9F\xB3\xF0\x9F\x8E\xB5", ok), L"\u00FC\u97F3\U0001F3B5");
    // Every name Windows can hold comes back as it was, an unpaired surrogate included.
    for (const std::wstring& name : {std::wstring(L"\u00FC\u97F3\U0001F3B5\x7F\x80\x7FF\x800\xFFFF"),
                                     std::wstring(1, L'\xD800') + L"x", L"y" + std::wstring(1, L'\xDFFF')})
        EXPECT_TRUE(wideFromUtf8(utf8FromWide(name), ok) == name && ok);
}
#endif

} // namespace
} // namespace tonvex
