// Writes a picture of every dialog of the program, as it opens with sample
// data, into the folder given as argument (docs/screenshots of the
// repository), or of the dialogs named after it (about, browser, design,
// playback, preset_editor, save, jpeg_preview, thumbnail, main_window). The
// program's own folder is its program folder: set.ini and the submitted
// picture are written there and removed again. Exits with 1 when a window
// did not reach the screen.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "image/raster_image.h"
#include "save/save_choices.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/program_files.h"
#include "tests/win32/test_pictures.h"
#include "tests/win32/window_capture.h"
#include "ui/about_dialog.h"
#include "ui/browser_dialog.h"
#include "ui/design_dialog.h"
#include "ui/dialogs/jpeg_preview_dialog.h"
#include "ui/dialogs/playback_dialog.h"
#include "ui/dialogs/preset_editor_dialog.h"
#include "ui/dialogs/save_dialog.h"
#include "ui/dialogs/thumbnail_dialog.h"
#include "program/program_window.h"
#include "ui/main_window.h"
#include "ui/resource_ids.h"

namespace {

int failures = 0;
std::vector<std::string> wanted;  // empty: all

bool isWanted(const char* name) {
    return wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end();
}

void shoot(const std::string& folder, const char* name, DialogBase& dialog, int templateId) {
    if (!isWanted(name)) return;
    std::string path = folder + "\\" + name + ".png";
    runModal(dialog, templateId, nullptr, [&](HWND window) {
        SetForegroundWindow(window);
        if (!captureWindow(window, path.c_str())) {
            std::fprintf(stderr, "could not capture %s\n", name);
            ++failures;
        }
        EndDialog(window, 0);
    });
}

constexpr char sampleSettings[] =
    "[Setting]\r\nPort=18765\r\nApplet=1\r\nImageWidth=400\r\nImageHeight=300\r\n"
    "[Design]\r\ncolor1=15790320\r\ncolor3=255\r\ncolor6=8421376\r\nScrollSize=16\r\nCursor=pen.gif\r\n"
    "[Browser]\r\nFlag=1\r\nPath=C:\\Program Files\\Browser\\browser.exe\r\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_screenshots folder\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    std::string folder = argv[1];
    wanted.assign(argv + 2, argv + argc);
    ProgramFiles files;
    files.write("set.ini", sampleSettings);
    RasterImage picture;
    if (!gradientPicture(picture, 400, 300) || !writePngFile(picture, files.file("_tmppng.dat").c_str())) {
        std::fprintf(stderr, "could not write the sample picture\n");
        return 1;
    }
    SetCurrentDirectoryA(files.folder().c_str());
    {  // the first window of a process can reach the screen late: one to throw away
        AboutDialog warmUp;
        runModal(warmUp, IDD_ABOUT, nullptr, [](HWND window) {
            pump(500);
            EndDialog(window, 0);
        });
    }
    AboutDialog about;
    shoot(folder, "about", about, IDD_ABOUT);
    BrowserDialog browser;
    shoot(folder, "browser", browser, IDD_BROWSER);
    DesignDialog design;
    shoot(folder, "design", design, IDD_DESIGN);
    PlaybackDialog playback;
    playback.showProgress = true;
    shoot(folder, "playback", playback, IDD_PLAYBACK);
    Settings settings;
    PresetEditorDialog presets(settings.presets);
    shoot(folder, "preset_editor", presets, IDD_PRESET_EDITOR);

    settings.saveDir.assign("C:\\users\\Public\\Pictures");
    settings.saveFile.assign("drawing");
    SaveChoices choices;
    fillSaveChoices(settings, SubmissionFlags{}, choices);
    SaveDialog save(settings, choices, picture);
    shoot(folder, "save", save, IDD_SAVE);
    JpegPreviewDialog jpeg;
    jpeg.setting = 85;
    shoot(folder, "jpeg_preview", jpeg, IDD_JPEG_PREVIEW);
    ThumbnailDialog thumbnail;
    thumbnail.thumbWidth = 200;
    thumbnail.thumbHeight = 150;
    thumbnail.thumbType = 2;
    thumbnail.thumbSetting = 85;
    shoot(folder, "thumbnail", thumbnail, IDD_THUMBNAIL);

    Settings mainSettings;
    if (!isWanted("main_window")) return failures == 0 ? 0 : 1;
    ProgramSession session(mainSettings, nullptr);
    MainWindow main(mainSettings, session.server());
    if (startProgramWindow(session, main)) {
        main.show(SW_SHOWNORMAL);
        if (!captureWindow(main.handle(), (folder + "\\main_window.png").c_str())) {
            std::fprintf(stderr, "could not capture main_window\n");
            ++failures;
        }
        session.close(nullptr);
        main.destroy();
    } else {
        std::fprintf(stderr, "could not start the main window\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
