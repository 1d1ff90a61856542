// The save dialog: folder, file name, which outputs to write and in which
// format and quality. It edits a SaveChoices record and stores the folder and
// file name straight into Settings when Save is pressed.
#pragma once

#include "save/save_choices.h"
#include "ui/controls.h"
#include "ui/file_choosers.h"
#include "ui/picture_controls.h"
#include "ui/window_base.h"

class RasterImage;
struct Settings;

class SaveDialog : public DialogBase {
public:
    // picture is the submitted picture, read by the caller; it gives the size
    // and whether GIF can be offered.
    SaveDialog(Settings& settings, SaveChoices& choices, const RasterImage& picture)
        : settings_(settings), choices_(choices), picture_(picture) {}

    // Runs template 115 without owner: 1 when accepted, 0 when cancelled.
    INT_PTR run();

    bool onInitDialog(LRESULT& value) override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void enableFormatControls(int format);
    // The Save button's checks and stores; false (dialog stays) after a refusal.
    bool accept();
    void browseFolder();
    void browseFile();
    void showHelp();
    void toggleSizeSuffix();
    void chooseTransparentColour();
    void openJpegPreview();
    void openThumbnailSettings();

    Settings& settings_;
    SaveChoices& choices_;
    const RasterImage& picture_;
    ColourSwatch swatch_;
    ComboBoxControl format_;
    FilePreview filePreview_;
};
