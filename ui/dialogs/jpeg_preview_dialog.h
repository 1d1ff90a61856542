// The JPEG quality preview: every change of quality or progression encodes
// the submitted picture to _prev.dat, decodes it again and shows it with the
// file's size.
#pragma once

#include <cstdint>

#include "image/raster_image.h"
#include "ui/controls.h"
#include "ui/picture_controls.h"
#include "ui/window_base.h"

class JpegPreviewDialog : public DialogBase {
public:
    // The starting setting: quality 1 … 100 in the low byte, 0x8000 progressive.
    uint32_t setting = 0;

    // Runs the dialog (template 120) owned by owner. Returns the chosen
    // setting, or -1 when cancelled or when _tmppng.dat cannot be read.
    INT_PTR run(HWND owner);

    bool onInitDialog(LRESULT& value) override;
    bool onCommand(int id, int code, HWND control) override;
    bool onHScroll(int code, int position, HWND control) override;

private:
    void render();
    void close(INT_PTR result);

    TrackBarControl slider_;
    PanImageView view_;
    RasterImage picture_;
    RasterImage preview_;
};
