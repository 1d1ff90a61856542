#include "tests/win32/window_capture.h"

#include "image/png_writer.h"
#include "image/raster_image.h"

namespace {

constexpr int pngLevel = 6;
constexpr int attempts = 30;
constexpr int cornerInset = 2;
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

// A window shows once the pixel just inside its client area's top-left
// corner, which no control covers, has the dialog background's colour: before
// that the screen still holds the X root or what an earlier window left.
bool backgroundShows(HWND window, const RECT& frame, const RasterImage& picture) {
    POINT corner{cornerInset, cornerInset};
    if (!ClientToScreen(window, &corner)) return false;
    int x = corner.x - frame.left;
    int y = corner.y - frame.top;
    const uint8_t* p = picture.pixelAddress(x, y);
    if (!p) return false;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    return p[2] == GetRValue(face) && p[1] == GetGValue(face) && p[0] == GetBValue(face);
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
    // A modal dialog shows itself when its loop first finds the queue empty;
    // a script that runs before that shows it here.
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    RasterImage picture;
    bool shows = false;
    for (int attempt = 0; attempt < attempts && !shows; ++attempt) {
        paintNow(window);
        if (!copyFromScreen(window, frame, false, picture)) return false;
        shows = backgroundShows(window, frame, picture);
        if (!shows) Sleep(attemptDelay);
    }
    if (!shows) return false;
    // Once it shows, give the frame the same time to reach the screen.
    Sleep(settleDelay);
    paintNow(window);
    if (!copyFromScreen(window, frame, true, picture) || !backgroundShows(window, frame, picture)) return false;
    PngRaster raster;
    if (!preparePng(picture, raster, 24, nullptr, 0)) return false;
    return writePng(raster, path, pngLevel, -1);
}
