// The thumbnail settings: size in pixels or percent (tied to the picture's
// proportions on request), format and JPEG setting, with a preview made on
// request.
#pragma once

#include <cstdint>

#include "image/raster_image.h"
#include "ui/controls.h"
#include "ui/picture_controls.h"
#include "ui/window_base.h"

class ThumbnailDialog : public DialogBase {
public:
    // Filled by the caller, read back after the run whatever its result.
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    uint16_t thumbType = 0;     // 0 BMP, 1 PNG, 2 JPEG
    uint16_t thumbSetting = 0;  // quality in the low byte, 0x8000 progressive

    // Runs the dialog (template 121) owned by owner: 1 after OK or close
    // (both keep the values), -1 when _tmppng.dat cannot be read.
    INT_PTR run(HWND owner);

    bool onInitDialog(LRESULT& value) override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void showPreview();
    void followSizeBox(int id);
    void close();
    uint32_t boxValue(int id) const;

    ComboBoxControl format_;
    PanImageView view_;
    RasterImage picture_;
    RasterImage thumb_;
    uint16_t ready_ = 0;  // edit changes are followed only while 1
};
