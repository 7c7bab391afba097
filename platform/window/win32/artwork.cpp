#include "artwork.h"

#include <cstring>

#include <wincodec.h>
#include <wrl/client.h>

#include "window_layout.h"

namespace tonvex::win32 {
namespace {

using Microsoft::WRL::ComPtr;

struct Source {
    const wchar_t* name;
    const wchar_t* sharpName; // the 2x art
    bool png;                 // RCDATA holding a PNG file, else a BITMAP
};

// By Picture. The faces are the bitmap resources "PLAY", "STOP" and "SELECT"; the large,
// many-coloured pictures stay PNG files, several times smaller than bitmaps.
constexpr std::array<Source, kPictureCount> kSources{{
    {L"SKIN", L"SKIN_2X", true},
    {L"ABOUT", L"ABOUT_2X", true},
    {L"PLAY", L"PLAY_2X", false},
    {L"STOP", L"STOP_2X", false},
    {L"SELECT", L"SELECT_2X", false},
}};

BITMAPINFO topDown32(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

PixelImage readBitmap(const wchar_t* name)
{
    GdiObject<HBITMAP> bitmap(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    BITMAP shape{};
    if (!bitmap || !GetObjectW(bitmap.get(), sizeof(shape), &shape) || shape.bmWidth <= 0 || shape.bmHeight <= 0)
        return {};
    PixelImage image{shape.bmWidth, shape.bmHeight,
                     std::vector<std::uint32_t>(static_cast<std::size_t>(shape.bmWidth) * shape.bmHeight)};
    BITMAPINFO info = topDown32(image.width, image.height);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap.get(), 0, static_cast<UINT>(image.height), image.pixels.data(), &info,
                               DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return rows == image.height ? image : PixelImage{};
}

PixelImage decodePng(const void* data, DWORD size)
{
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)))
        || FAILED(factory->CreateStream(&stream))
        || FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), size))
        || FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder))
        || FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter))
        || FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr,
                                        0.0, WICBitmapPaletteTypeCustom)))
        return {};
    UINT width = 0;
    UINT height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 16384 || height > 16384)
        return {};
    PixelImage image{static_cast<int>(width), static_cast<int>(height),
                     std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, reinterpret_cast<BYTE*>(image.pixels.data()))))
        return {};
    return image;
}

PixelImage readPng(const wchar_t* name)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    return data && size ? decodePng(data, size) : PixelImage{};
}

GdiObject<HBITMAP> toBitmap(const PixelImage& image)
{
    if (image.empty())
        return {};
    BITMAPINFO info = topDown32(image.width, image.height);
    void* bits = nullptr;
    GdiObject<HBITMAP> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits)
        std::memcpy(bits, image.pixels.data(), image.pixels.size() * sizeof(std::uint32_t));
    return bitmap;
}

} // namespace

Artwork::Artwork(UINT dpi)
{
    const bool sharp = dpi > static_cast<UINT>(kBaseDpi);
    for (int i = 0; i < kPictureCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const SIZE natural = naturalSize(static_cast<Picture>(i));
        m_sizes[at] = SIZE{scaled(natural.cx, dpi), scaled(natural.cy, dpi)};
        const Source& source = kSources[at];
        PixelImage image = load(sharp ? source.sharpName : source.name, source.png);
        if (image.empty() && sharp)
            image = load(source.name, source.png);
        m_bitmaps[at] = toBitmap(resample(image, m_sizes[at].cx, m_sizes[at].cy));
    }
}

SIZE Artwork::naturalSize(Picture picture)
{
    switch (picture) {
    case Picture::Skin: return SIZE{kWidth, kHeight};
    case Picture::About: return SIZE{kAboutPicture.width, kAboutPicture.height};
    case Picture::Play: return kPlayFace;
    case Picture::Stop: return kStopFace;
    case Picture::Select: return kSelectFace;
    }
    return SIZE{};
}

PixelImage Artwork::load(const wchar_t* name, bool png)
{
    return png ? readPng(name) : readBitmap(name);
}

} // namespace tonvex::win32
