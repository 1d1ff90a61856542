// Writes a picture of every dialog of the program, and of the main window,
// into the folder given as argument (docs/screenshots of the repository).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "tests/win32/dialog_driver.h"
#include "tests/win32/window_capture.h"
#include "ui/resource_ids.h"

namespace {

// A template shown as it is, with the system's initial focus.
class TemplateDialog : public DialogBase {
public:
    bool onInitDialog(LRESULT& value) override {
        value = TRUE;
        return true;
    }
};

int failures = 0;

void shoot(const std::string& folder, const char* name, DialogBase& dialog, int templateId) {
    std::string path = folder + "\\" + name + ".png";
    runModal(dialog, templateId, nullptr, [&](HWND window) {
        if (!captureWindow(window, path.c_str())) {
            std::fprintf(stderr, "could not capture %s\n", name);
            ++failures;
        }
        EndDialog(window, 0);
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_screenshots folder\n");
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    std::string folder = argv[1];
    {  // the first window of a process can reach the screen late: one to throw away
        TemplateDialog warmUp;
        shoot(folder, "warm_up", warmUp, IDD_ABOUT);
        DeleteFileA((folder + "\\warm_up.png").c_str());
    }
    const struct {
        const char* name;
        int templateId;
    } templates[] = {
        {"main_window_template", IDD_MAIN},   {"about", IDD_ABOUT},
        {"browser", IDD_BROWSER},             {"design", IDD_DESIGN},
        {"playback", IDD_PLAYBACK},           {"preset_editor", IDD_PRESET_EDITOR},
        {"save", IDD_SAVE},                   {"jpeg_preview", IDD_JPEG_PREVIEW},
        {"thumbnail", IDD_THUMBNAIL},
    };
    for (const auto& t : templates) {
        TemplateDialog dialog;
        shoot(folder, t.name, dialog, t.templateId);
    }
    return failures == 0 ? 0 : 1;
}
