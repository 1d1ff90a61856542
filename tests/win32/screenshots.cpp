// ui_screenshots folder [name...]: a PNG picture of every window of the
// program (or of those named), as it opens with sample data written to its
// program folder; exits with 1 when a window did not reach the screen.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "image/png_writer.h"
#include "program/program_window.h"
#include "save/save_choices.h"
#include "tests/win32/dialog_driver.h"
#include "ui/about_dialog.h"
#include "ui/browser_dialog.h"
#include "ui/design_dialog.h"
#include "ui/dialogs/jpeg_preview_dialog.h"
#include "ui/dialogs/playback_dialog.h"
#include "ui/dialogs/preset_editor_dialog.h"
#include "ui/dialogs/save_dialog.h"
#include "ui/dialogs/thumbnail_dialog.h"
#include "ui/main_window.h"
#include "ui/resource_ids.h"

namespace {

constexpr int attempts = 30;
constexpr int cornerInset = 2;
constexpr DWORD attemptDelay = 100;
constexpr DWORD settleDelay = 400;
constexpr char sampleSettings[] =
    "[Setting]\r\nPort=18765\r\nApplet=1\r\nImageWidth=400\r\nImageHeight=300\r\n"
    "[Design]\r\ncolor1=15790320\r\ncolor3=255\r\ncolor6=8421376\r\nScrollSize=16\r\nCursor=pen.gif\r\n"
    "[Browser]\r\nFlag=1\r\nPath=C:\\Program Files\\Browser\\browser.exe\r\n";

void paintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pump(500);
    GdiFlush();
}

// A window shows once the pixel just inside its client area's top-left
// corner, which no control covers, has the dialog background's colour: before
// that the screen still holds the X root or what an earlier window left.
bool backgroundShows(HWND window, const RECT& frame, const RasterImage& picture) {
    POINT corner{cornerInset, cornerInset};
    if (!ClientToScreen(window, &corner)) return false;
    const uint8_t* p = picture.pixelAddress(corner.x - frame.left, corner.y - frame.top);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    return p && p[2] == GetRValue(face) && p[1] == GetGValue(face) && p[0] == GetBValue(face);
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
    // Bottom-up, as the picture is laid out; 24 bits, uncompressed.
    BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), picture.bits(),
                         reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return rows == height;
}

// Paints the window, copies its screen rectangle (frame included) once it
// shows and writes it as PNG; false when a step fails or the window does not
// reach the screen within a few seconds.
bool captureWindow(HWND window, const std::string& path) {
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
    Sleep(settleDelay);  // once it shows, the frame gets the same time to reach the screen
    paintNow(window);
    PngRaster raster;
    return copyFromScreen(window, frame, true, picture) && backgroundShows(window, frame, picture) &&
           preparePng(picture, raster, 24, nullptr, 0) && writePng(raster, path.c_str(), 6, -1);
}

std::string folder;
std::vector<std::string> wanted;  // empty: all
int failures = 0;

bool isWanted(const char* name) {
    return wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end();
}

void capture(HWND window, const char* name) {
    if (window && captureWindow(window, folder + "\\" + name + ".png")) return;
    std::fprintf(stderr, "could not capture %s\n", name);
    ++failures;
}

void shoot(const char* name, DialogBase& dialog, int templateId) {
    if (!isWanted(name)) return;
    runModal(dialog, templateId, [&](HWND window) {
        capture(window, name);
        EndDialog(window, 0);
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_screenshots folder [name...]\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    folder = argv[1];
    wanted.assign(argv + 2, argv + argc);
    ProgramFiles files;
    files.write("set.ini", sampleSettings);
    RasterImage picture;
    if (!testPicture(picture, 400, 300, CLR_INVALID, files.file("_tmppng.dat").c_str())) return 1;
    AboutDialog about;  // the first window of a process can reach the screen late: one to throw away
    runModal(about, IDD_ABOUT, [](HWND window) {
        pump(500);
        EndDialog(window, 0);
    });
    shoot("about", about, IDD_ABOUT);
    BrowserDialog browser;
    shoot("browser", browser, IDD_BROWSER);
    DesignDialog design;
    shoot("design", design, IDD_DESIGN);
    PlaybackDialog playback;
    playback.showProgress = true;
    shoot("playback", playback, IDD_PLAYBACK);
    Settings settings;
    PresetEditorDialog presets(settings.presets);
    shoot("preset_editor", presets, IDD_PRESET_EDITOR);
    settings.saveDir.assign("C:\\users\\Public\\Pictures");
    settings.saveFile.assign("drawing");
    settings.Timelapse = timelapseGif;
    SaveChoices choices;  // as for a drawing of the built-in painter: record and timelapse frames came
    fillSaveChoices(settings, hasAnimation | hasTimelapse, choices);
    SaveDialog save(settings, choices, picture);
    shoot("save", save, IDD_SAVE);
    JpegPreviewDialog jpeg;
    jpeg.setting = 85;
    shoot("jpeg_preview", jpeg, IDD_JPEG_PREVIEW);
    ThumbnailDialog thumbnail;
    thumbnail.thumbWidth = 200;
    thumbnail.thumbHeight = 150;
    thumbnail.thumbType = 2;
    thumbnail.thumbSetting = 85;
    shoot("thumbnail", thumbnail, IDD_THUMBNAIL);

    if (isWanted("main_window")) {
        Settings mainSettings;
        ProgramSession session(mainSettings, nullptr);
        MainWindow main(mainSettings, session.server());
        bool started = startProgramWindow(session, main);
        if (started) main.show(SW_SHOWNORMAL);
        capture(started ? main.handle() : nullptr, "main_window");
        if (started) session.close(nullptr);
    }
    return failures == 0 ? 0 : 1;
}
