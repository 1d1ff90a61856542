#include "tests/win32/window_capture.h"

#include "image/png_writer.h"
#include "image/raster_image.h"

namespace {

constexpr int pngLevel = 6;
constexpr int attempts = 30;
constexpr DWORD attemptDelay = 100;
constexpr DWORD settleDelay = 400;

void paintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    MSG message;
    for (int round = 0; round < 50; ++round) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    GdiFlush();
}

// A window that has not reached the X screen yet reads back in one colour.
bool isUniform(const RasterImage& picture) {
    const uint8_t* first = picture.pixelAddress(0, 0);
    for (int32_t y = 0; y < picture.height(); ++y) {
        for (int32_t x = 0; x < picture.width(); ++x) {
            const uint8_t* p = picture.pixelAddress(x, y);
            if (p[0] != first[0] || p[1] != first[1] || p[2] != first[2]) return false;
        }
    }
    return true;
}

// Without a window manager on the X display nothing draws the title bars, so
// the system's own caption drawing puts the title there.
void drawTitle(HWND window, const RECT& frame, HDC memory) {
    TITLEBARINFO title{};
    title.cbSize = sizeof title;
    if (!GetTitleBarInfo(window, &title) || (title.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
    RECT bar = title.rcTitleBar;
    OffsetRect(&bar, -frame.left, -frame.top);
    bar.left = 0;  // the frame's corner too, which no window manager paints here
    FillRect(memory, &bar, GetSysColorBrush(COLOR_ACTIVECAPTION));
    DrawCaption(window, memory, &bar, DC_ACTIVE | DC_TEXT | DC_ICON | DC_GRADIENT);
}

bool copyFromScreen(HWND window, const RECT& frame, bool withTitle, RasterImage& picture) {
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    if (!picture.create(width, height)) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    if (withTitle) drawTitle(window, frame, memory);
    SelectObject(memory, old);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // bottom-up, as the picture is laid out
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), picture.bits(),
                         reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return rows == height;
}

}  // namespace

bool captureWindow(HWND window, const char* path) {
    RECT frame;
    if (!GetWindowRect(window, &frame)) return false;
    SetForegroundWindow(window);
    RasterImage picture;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        paintNow(window);
        if (!copyFromScreen(window, frame, false, picture)) return false;
        if (!isUniform(picture)) break;
        Sleep(attemptDelay);
    }
    // Once it shows, give the frame the same time to reach the screen.
    Sleep(settleDelay);
    paintNow(window);
    if (!copyFromScreen(window, frame, true, picture)) return false;
    PngRaster raster;
    if (!preparePng(picture, raster, 24, nullptr, 0)) return false;
    return writePng(raster, path, pngLevel, -1);
}
