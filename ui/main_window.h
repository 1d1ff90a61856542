// The main window: a modeless dialog (template 101) whose controls hold the
// set-up of the next drawing, with the menu of the program's dialogs. It
// hands the local server its socket events, which arrive as window message
// 1024, and works on the settings of the whole run.
#pragma once

#include <cstdint>

#include "app/settings.h"
#include "app/drawing_setup.h"
#include "server/local_server.h"
#include "ui/controls.h"
#include "ui/window_base.h"

// What Help > home page opens: the guide, until the project has a home page
// of its own.
extern const char homePageAddress[];

class MainWindow : public DialogBase {
public:
    // settings and server are used for the whole life of the window.
    MainWindow(Settings& settings, LocalServer& server);
    ~MainWindow() override;

    // Creates template 101 hidden and without owner; false when it cannot.
    bool create();
    // Sets the icons and fills the controls from the settings and setup:
    // the lists, the set-up, the overwrite item and the spin ranges.
    void showStart(const DrawingSetup& setup);
    // The set-up the controls held when File > Exit or the close box ended
    // the window; null while it has not ended so.
    const DrawingSetup* setupAtExit() const { return exited_ ? &exitSetup_ : nullptr; }
    // Applies the program's command line to the controls; -r posts the draw
    // command (--gallery the gallery's instead), so that drawing starts once
    // the message loop runs.
    void applyCommandLine(const char* text);

    // The controls from a set-up and back. A list without a selection reads
    // as -1, a field without a number as 0.
    void showSetup(const DrawingSetup& setup);
    void readSetup(DrawingSetup& setup) const;
    // Enables the controls the applet kind uses (a kind outside 0 to 5 is
    // taken as it compares) and names the painter that will draw.
    void applyAppletKind(int kind);
    // The line under the set-up naming the painter the draw button will use
    // with the files of the program folder as they are now.
    void showPainterName();
    // The canvas size (and for SPCH the quality) from the picture named in
    // the load field: an SPCH header, a PCH name tag, or the picture's own
    // header. Nothing changes when the size cannot be read.
    void readPictureSize();
    // The "▼" menu: one item "%dx%d" per preset (ids 40101 + n), a separator
    // and "編集" (40100).
    void fillPresetMenu(PopupMenu& menu) const;

    bool onCommand(int id, int code, HWND control) override;
    bool onDropFiles(HDROP drop) override;
    // Coming back to the program, the painter is named anew: files may have
    // been put into the folder meanwhile.
    bool onActivateApp(WPARAM active, LPARAM thread) override;
    bool onUserMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void setIcons();
    void fillLists();
    void setSpinRanges();
    void showOverwriteQuestion();
    // Keeps the set-up, destroys the window and posts quit.
    void exitProgram();
    void draw();
    // The gallery of saved drawings, in the browser of set.ini.
    void openGallery();
    void browseForPicture();
    // Puts path into the load field, all selected, and reads its size.
    void takePicture(const char* path);
    void showPresetMenu();
    void choosePreset(int index);
    void runPlayback();

    Settings& settings_;
    LocalServer& server_;
    DrawingSetup exitSetup_;
    bool exited_ = false;
    ComboBoxControl applets_;
    ComboBoxControl qualities_;
    ComboBoxControl palettes_;
    HICON largeIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
};
