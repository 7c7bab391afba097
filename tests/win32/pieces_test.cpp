// The window's helpers that need no window: the handover's message, the command line and the
// art's resampling.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "artwork.h"
#include "command_line.h"
#include "instance_channel.h"
#include "pixel_image.h"
#include "wide_text.h"

namespace tonvex::win32 {
namespace {

COPYDATASTRUCT message(const std::wstring& payload, ULONG_PTR tag = InstanceChannel::kHandoverTag)
{
    return COPYDATASTRUCT{tag, static_cast<DWORD>(payload.size() * sizeof(wchar_t)), const_cast<wchar_t*>(payload.data())};
}

TEST(HandoverMessage, CarriesPathsWhateverTheirLettersAndRefusesWhatIsNoHandover)
{
    const std::vector<std::string> paths{"C:\\Music\\S\xc3\xb3ng \xe9\x9f\xb3.mid", "", "D:\\b.MID"};
    const std::wstring payload = InstanceChannel::encode(paths);
    EXPECT_EQ(InstanceChannel::decode(message(payload)), paths);
    EXPECT_EQ(InstanceChannel::decode(message(L"")), std::vector<std::string>{});

    EXPECT_FALSE(InstanceChannel::decode(message(payload, 1)));
    EXPECT_FALSE(InstanceChannel::decode(message(L"C:\\a.mid"))) << "not ended by a NUL";
    COPYDATASTRUCT odd = message(payload);
    odd.cbData -= 1;
    EXPECT_FALSE(InstanceChannel::decode(odd));
    COPYDATASTRUCT empty = message(payload);
    empty.lpData = nullptr;
    EXPECT_FALSE(InstanceChannel::decode(empty));
}

TEST(CommandLine, NamesFilesAsAbsolutePathsInOrder)
{
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring base(folder);
    if (base.back() != L'\\')
        base += L'\\';
    const auto files = commandLineFiles(L"\"C:\\Program Files\\tonvex.exe\" song.mid \"\" \"C:\\My Music\\b.mid\" sub\\..\\c.mid");
    EXPECT_EQ(files, (std::vector<std::string>{narrow(base + L"song.mid"), "C:\\My Music\\b.mid", narrow(base + L"c.mid")}));
    EXPECT_TRUE(commandLineFiles(L"tonvex.exe").empty());
}

PixelImage picture(int width, int height, std::vector<std::uint32_t> pixels)
{
    return PixelImage{width, height, std::move(pixels)};
}

TEST(Resample, AveragesTheCoveredAreaOfEachChannel)
{
    const std::uint32_t black = 0x000000, white = 0xffffff;
    // A fine checkerboard halves to an even grey, not to one of its squares.
    const PixelImage checker = picture(2, 2, {black, white, white, black});
    EXPECT_EQ(resample(checker, 1, 1).pixels, std::vector<std::uint32_t>{0x808080});
    // Three pixels into two: each takes one and a half, weighted by the area it covers.
    const PixelImage row = picture(3, 1, {0x0000ff, 0x00ff00, 0xff0000});
    EXPECT_EQ(resample(row, 2, 1).pixels, (std::vector<std::uint32_t>{0x0055aa, 0xaa5500}));
    // Channels stay apart, and growing keeps flat colour flat.
    const PixelImage flat = picture(1, 1, {0x123456});
    EXPECT_EQ(resample(flat, 3, 2).pixels, std::vector<std::uint32_t>(6, 0x123456));
    EXPECT_EQ(resample(row, 3, 1).pixels, row.pixels);
    EXPECT_TRUE(resample(PixelImage{}, 2, 2).empty());
    EXPECT_TRUE(resample(row, 0, 1).empty());
}

// The colour at a point of a picture, as RGB.
struct CoInitializer {
    CoInitializer() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~CoInitializer() { CoUninitialize(); }
};

COLORREF pixelAt(const Artwork& art, Picture which, int x, int y)
{
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, art.bitmap(which));
    const COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return colour;
}

TEST(Artwork, LoadsEveryPictureInItsColoursAtTheSizeOfTheScreen)
{
    const CoInitializer com;
    for (const UINT dpi : {96u, 144u, 192u}) {
        const Artwork art(dpi);
        for (const Picture which : {Picture::Skin, Picture::About, Picture::Play, Picture::Stop, Picture::Select}) {
            ASSERT_NE(art.bitmap(which), nullptr) << "picture " << static_cast<int>(which) << " at " << dpi;
            const SIZE natural = Artwork::naturalSize(which);
            BITMAP shape{};
            GetObjectW(art.bitmap(which), sizeof(shape), &shape);
            EXPECT_EQ(shape.bmWidth, MulDiv(natural.cx, dpi, 96));
            EXPECT_EQ(shape.bmHeight, MulDiv(natural.cy, dpi, 96));
        }
        // Red stays red through the bitmap and PNG decoders: the lit button and the light
        // beside the maker's mark; the path boxes stay white.
        const auto at = [dpi](int length) { return MulDiv(length, dpi, 96); };
        const COLORREF lit = pixelAt(art, Picture::Select, at(26), at(24));
        EXPECT_GT(GetRValue(lit), 2 * GetBValue(lit)) << "at " << dpi;
        EXPECT_GT(GetRValue(lit), 2 * GetGValue(lit)) << "at " << dpi;
        EXPECT_EQ(pixelAt(art, Picture::Skin, at(200), at(130)), RGB(255, 255, 255)) << "at " << dpi;
    }
}

} // namespace
} // namespace tonvex::win32
