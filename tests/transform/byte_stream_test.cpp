#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <tuple>

#include "file_byte_sink.h"
#include "file_byte_source.h"
#include "file_handle.h"
#include "file_path.h"
#include "temp_dir.h"
#include "temporary_file.h"
#ifdef _WIN32
#include "win32_path.h"
#endif

namespace tonvex {
namespace {

using test::TempDir;

// Every byte value, with the ones text-mode I/O would change: CR LF (collapsed), 0x1A
// (taken for the end), a lone CR and LF.
std::vector<std::uint8_t> pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    const std::uint8_t textModeBytes[] = {0x0D, 0x0A, 0x1A, 0x0D, 0x0D, 0x0A, 0x0A, 0x1A, 0x1A, 0x0D};
    for (std::size_t at : {std::size_t{0}, size / 2, size - sizeof textModeBytes})
        std::copy(std::begin(textModeBytes), std::end(textModeBytes), bytes.begin() + static_cast<std::ptrdiff_t>(at));
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

// A path, the style it is read in, where its file name starts, and that folder joined with "x".
using PathCase = std::tuple<const char*, PathStyle, std::size_t, const char*>;

class FilePathTest : public testing::TestWithParam<PathCase> {};

TEST_P(FilePathTest, SplitsAndJoinsByThePlatformsSeparators)
{
    const auto [path, style, nameStart, joined] = GetParam();
    const std::string_view text(path);
    EXPECT_EQ(fileNameStart(text, style), nameStart);
    EXPECT_EQ(joinPath(text.substr(0, nameStart), "x", style), joined);
}

constexpr PathStyle kPosix = PathStyle::Posix;
constexpr PathStyle kWindows = PathStyle::Windows;

INSTANTIATE_TEST_SUITE_P(
    Paths, FilePathTest,
    testing::Values(PathCase{"/music/Song.mid", kPosix, 7, "/music/x"}, PathCase{"Song.mid", kPosix, 0, "x"},
                    PathCase{"/", kPosix, 1, "/x"},
                    // On POSIX '\' and ':' are letters of a name.
                    PathCase{"/a\\b\\Song.mid", kPosix, 1, "/x"}, PathCase{"C:Song.mid", kPosix, 0, "x"},
                    PathCase{"C:\\Music\\Song.mid", kWindows, 9, "C:\\Music\\x"},
                    PathCase{"C:/Music/Song.mid", kWindows, 9, "C:/Music/x"},
                    PathCase{"Z:\\dir/sub\\a.mid", kWindows, 11, "Z:\\dir/sub\\x"},
                    PathCase{"C:Song.mid", kWindows, 2, "C:x"}, PathCase{"C:\\Song.mid", kWindows, 3, "C:\\x"},
                    PathCase{"\\\\server\\share\\Song.mid", kWindows, 15, "\\\\server\\share\\x"},
                    PathCase{"\\\\?\\UNC\\server\\share\\a.mid", kWindows, 21, "\\\\?\\UNC\\server\\share\\x"},
                    PathCase{"\\\\?\\C:\\a.mid", kWindows, 7, "\\\\?\\C:\\x"},
                    PathCase{"dir\\1:2.mid", kWindows, 4, "dir\\x"}, PathCase{"Song.mid", kWindows, 0, "x"},
                    PathCase{"Music", kWindows, 0, "x"}));

#ifdef _WIN32
TEST(Win32PathTest, UncAndDrivePathsTakeTheExtendedForm)
{
    EXPECT_EQ(extendedLengthPath(L"C:\\Music\\Song.mid"), L"\\\\?\\C:\\Music\\Song.mid");
    EXPECT_EQ(extendedLengthPath(L"\\\\server\\share\\Song.mid"), L"\\\\?\\UNC\\server\\share\\Song.mid");
    EXPECT_EQ(extendedLengthPath(L"\\\\?\\C:\\Song.mid"), L"\\\\?\\C:\\Song.mid");
    EXPECT_EQ(extendedLengthPath(L"\\\\?\\UNC\\server\\share\\a"), L"\\\\?\\UNC\\server\\share\\a");
    EXPECT_EQ(extendedLengthPath(L"\\\\.\\pipe\\x"), L"\\\\.\\pipe\\x");

    // Resolved first: '/' becomes '\', "." and ".." go, a relative path joins the current folder.
    EXPECT_EQ(win32Path("//server/share/dir/../Song.mid"), L"\\\\?\\UNC\\server\\share\\Song.mid");
    EXPECT_EQ(win32Path("C:/Music/./sub/../Song.mid"), L"\\\\?\\C:\\Music\\Song.mid");
    wchar_t current[MAX_PATH];
    ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, current), 0u);
    EXPECT_EQ(win32Path("Song.mid"), extendedLengthPath(std::wstring(current) + L"\\Song.mid"));
    EXPECT_EQ(win32Path("\\\\?\\C:\\a/b"), L"\\\\?\\C:\\a/b"); // taken as given, as Windows does
    EXPECT_EQ(win32Path(""), L"");
    EXPECT_EQ(win32Path("C:\\M\xFFsic"), L""); // not UTF-8
}

TEST(Win32PathTest, NamesSurviveTheTripThroughUtf16)
{
    bool ok = false;
    EXPECT_EQ(wideFromUtf8("\xC3\xBC\xE9\x9F\xB3 \xF0\x9F\x8E\xB5.mid", ok), L"\u00FC\u97F3 \U0001F3B5.mid");
    EXPECT_TRUE(ok);
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xF4\x90\x80\x80", "a\x80", "\xF8\x88\x80\x80\x80"}) {
        EXPECT_EQ(wideFromUtf8(bad, ok), L"") << bad;
        EXPECT_FALSE(ok) << bad;
    }
    // Every name Windows can hold comes back as it was, an unpaired surrogate included.
    for (const std::wstring& name : {std::wstring(L"\u00FC\u97F3 \U0001F3B5.mid"), std::wstring(1, L'\xD800') + L"x",
                                    L"y" + std::wstring(1, L'\xDFFF'), std::wstring(L"\x7F\x80\x7FF\x800\xFFFF")}) {
        const std::string utf8 = utf8FromWide(name);
        EXPECT_EQ(wideFromUtf8(utf8, ok), name);
        EXPECT_TRUE(ok);
    }
}

DWORD attributes(const std::string& path)
{
    return ::GetFileAttributesW(win32Path(path).c_str());
}

TEST(Win32TemporaryFileTest, HiddenWhileWrittenAndAPlainFileOnceCommitted)
{
    TempDir dir;
    const std::string target = dir.file("Song_Mirror.mid");
    test::writeFile(target, {1, 2, 3});
    ASSERT_EQ(::SetFileAttributesW(win32Path(target).c_str(), FILE_ATTRIBUTE_HIDDEN), TRUE);
    {
        TemporaryFile file(target);
        ASSERT_TRUE(file.create());
        EXPECT_EQ(file.path().substr(0, fileNameStart(file.path())), dir.file(""));
        EXPECT_NE(attributes(file.path()) & FILE_ATTRIBUTE_HIDDEN, 0u);
        // Created exclusively: a second creation of the same name fails.
        EXPECT_EQ(::CreateFileW(win32Path(file.path()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        std::vector<std::uint8_t> buffer(2);
        FileByteSink out(file, buffer);
        out.put(0x1A);
        out.put(0x0D);
        out.put(0x0A);
        ASSERT_TRUE(out.flush());
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(test::readFile(target), (std::vector<std::uint8_t>{0x1A, 0x0D, 0x0A}));
    EXPECT_EQ(attributes(target) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(dir.entries(), std::set<std::string>{"Song_Mirror.mid"});
}
#endif

} // namespace
} // namespace tonvex
