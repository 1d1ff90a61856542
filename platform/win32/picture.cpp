// The system picture loaders: OleLoadPicture for JPEG and GIF, LoadImage for
// BMP. Each result is copied out of a DIB section into the caller's sink.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>
#include <memory>
#include <new>

#include "platform/picture.h"
#include "platform/win32/gdi_owners.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

using win32::Bitmap;
using win32::ComRef;
using win32::MemoryDc;
using win32::ScreenDc;

constexpr long himetricPerInch = 2540;

// One owner per handle kind, each releasing what it holds.
BITMAPINFOHEADER header(int32_t width, int32_t height, int32_t bitsPerPixel) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitsPerPixel);
    h.biCompression = BI_RGB;
    return h;
}

// Copies the rows of a bottom-up block into the sink.
void copyRows(const uint8_t* bits, int32_t width, int32_t height, int32_t bitsPerPixel, PictureSink& sink) {
    const size_t rowLength = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8);
    const size_t stride = (rowLength + 3) & ~size_t{3};
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(sink.row(y), bits + static_cast<size_t>(height - 1 - y) * stride, rowLength);
    }
}

bool loadStream(const uint8_t* bytes, size_t size, ComRef<IStream>& stream) {
    if (size > 0x7FFFFFFF) return false;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return false;
    void* memory = GlobalLock(block);
    if (!memory) {
        GlobalFree(block);
        return false;
    }
    std::memcpy(memory, bytes, size);
    GlobalUnlock(block);
    if (CreateStreamOnHGlobal(block, TRUE, &stream.p) != S_OK) {
        GlobalFree(block);
        return false;
    }
    return true;
}

}  // namespace

bool decodePicture(const uint8_t* bytes, size_t size, PictureSink& sink) {
    ComRef<IStream> stream;
    if (!bytes || !loadStream(bytes, size, stream)) return false;
    ComRef<IPicture> picture;
    if (OleLoadPicture(stream.p, static_cast<LONG>(size), FALSE, IID_IPicture,
                       reinterpret_cast<void**>(&picture.p)) != S_OK)
        return false;
    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    if (picture.p->get_Width(&himetricWidth) != S_OK || picture.p->get_Height(&himetricHeight) != S_OK) return false;
    ScreenDc screen;
    if (!screen.dc) return false;
    const int32_t width = MulDiv(himetricWidth, GetDeviceCaps(screen.dc, LOGPIXELSX), himetricPerInch);
    const int32_t height = MulDiv(himetricHeight, GetDeviceCaps(screen.dc, LOGPIXELSY), himetricPerInch);
    if (width < 1 || height < 1) return false;
    BITMAPINFO info{};
    info.bmiHeader = header(width, height, 24);
    void* bits = nullptr;
    Bitmap section;
    section.handle = CreateDIBSection(screen.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section.handle || !bits) return false;
    {
        MemoryDc memory(screen.dc);
        if (!memory.dc) return false;
        memory.previous = SelectObject(memory.dc, section.handle);
        RECT all{0, 0, width, height};
        FillRect(memory.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        // The HIMETRIC y axis runs upwards, hence the negative source height.
        if (picture.p->Render(memory.dc, 0, 0, width, height, 0, himetricHeight, himetricWidth, -himetricHeight,
                              nullptr) != S_OK)
            return false;
        GdiFlush();
    }
    if (!sink.begin(width, height, 24)) return false;
    copyRows(static_cast<const uint8_t*>(bits), width, height, 24, sink);
    return true;
}

bool loadBitmapFile(const char* path, PictureSink& sink) {
    Bitmap bitmap;
    bitmap.handle = static_cast<HBITMAP>(LoadImageW(nullptr, win32::wide(path).c_str(), IMAGE_BITMAP, 0, 0,
                                                    LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap.handle) return false;
    DIBSECTION section{};
    if (GetObjectW(bitmap.handle, sizeof section, &section) != sizeof section) return false;
    const int32_t width = section.dsBm.bmWidth;
    const int32_t height = section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
    const int32_t bitsPerPixel = section.dsBm.bmBitsPixel == 32 ? 32 : 24;
    if (width < 1 || height < 1) return false;
    BITMAPINFO info{};
    info.bmiHeader = header(width, height, bitsPerPixel);
    const size_t stride = (static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8) + 3) & ~size_t{3};
    std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[stride * static_cast<size_t>(height)]);
    ScreenDc screen;
    if (!bits || !screen.dc ||
        GetDIBits(screen.dc, bitmap.handle, 0, static_cast<UINT>(height), bits.get(), &info,
                                DIB_RGB_COLORS) != height)
        return false;
    if (!sink.begin(width, height, bitsPerPixel)) return false;
    copyRows(bits.get(), width, height, bitsPerPixel, sink);
    return true;
}

}  // namespace platform
