// The system's choosers: files (with an optional picture preview pane),
// folders and colours. Texts are code page 932.
#pragma once

#include <windows.h>

#include "image/raster_image.h"
#include "ui/picture_controls.h"
#include "ui/window_base.h"

class TextBuffer;

// The preview pane of a file chooser (template 122): the picture of the
// selected file, fitted into control 1001 while check box 1002 is ticked.
// Only one chooser with a preview is open at a time; its hook reaches the
// pane through one shared pointer.
class FilePreview : public DialogBase {
public:
    static constexpr int previewId = 1001;
    static constexpr int switchId = 1002;

    bool onInitDialog(LRESULT& value) override;
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(WPARAM wParam, NMHDR* record, LRESULT& value) override;

    // The hook procedure of the chooser while this pane is active.
    static UINT_PTR CALLBACK hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Makes this the pane the hook serves, for one run of a chooser.
    void activate() { active_ = this; }
    void deactivate() {
        active_ = nullptr;
        bind(nullptr);
    }

private:
    void showSelection();

    RasterImage picture_;
    ImagePreview view_;
    bool on_ = false;
    static FilePreview* active_;
};

// Shows the open-file chooser. filter: description and pattern pairs, each
// ended by NUL, after the last an empty text. defaultExtension is added by the
// system to a name typed without one (empty for none). With a preview and a
// template id the chooser carries that pane. The chosen file goes into result
// (at most its capacity) as a full path when wantFullPath, else as the bare
// name. The file must exist unless allowMissing. True when a file was chosen.
bool chooseOpenFile(FilePreview* preview, HWND owner, int templateId, const char* filter, const char* defaultExtension,
                    const char* initialDirectory, bool wantFullPath, bool allowMissing, TextBuffer& result);
// The same for saving; asks before overwriting when askOverwrite is set.
bool chooseSaveFile(FilePreview* preview, HWND owner, int templateId, const char* filter, const char* defaultExtension,
                    const char* initialDirectory, bool wantFullPath, bool askOverwrite, TextBuffer& result);
// The folder browser with the given title, file-system folders only. The
// chosen folder's path goes into out; with cutRoot a drive root (3
// characters, such as D:\) is cut to its first 2. True when one was chosen.
bool browseForFolder(HWND owner, const char* title, TextBuffer& out, bool cutRoot);
// The colour chooser with sixteen white custom colours and no colour
// preselected; true with the colour (0x00BBGGRR) when the user confirms.
bool chooseColour(HWND owner, COLORREF& out);
