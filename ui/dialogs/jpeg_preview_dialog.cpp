#include "ui/dialogs/jpeg_preview_dialog.h"

#include <cstdio>

#include "app/file_handle.h"
#include "image/jpeg_writer.h"
#include "platform/platform.h"
#include "ui/resource_ids.h"

namespace {

constexpr char submittedPicture[] = "_tmppng.dat";
constexpr char previewFile[] = "_prev.dat";
constexpr int lowestQuality = 1;
constexpr int highestQuality = 100;
constexpr int tickStep = 10;
constexpr uint32_t qualityMask = 0xFF;
constexpr uint32_t progressiveBit = 0x8000;

}  // namespace

INT_PTR JpegPreviewDialog::run(HWND owner) { return showModal(IDD_JPEG_PREVIEW, owner); }

bool JpegPreviewDialog::onInitDialog(LRESULT& value) {
    if (!picture_.loadPng(submittedPicture)) {
        endDialog(-1);
        return true;
    }
    slider_.attach(handle(), IDC_JPEG_SLIDER);
    slider_.setRange(lowestQuality, highestQuality, false);
    slider_.setTick(lowestQuality);
    for (int tick = tickStep; tick <= highestQuality; tick += tickStep) slider_.setTick(tick);
    slider_.setPosition(static_cast<int>(setting & qualityMask), true);
    setItemUnsigned(IDC_JPEG_QUALITY, setting & qualityMask);
    checkItem(IDC_JPEG_PROGRESSIVE, (setting & progressiveBit) != 0);
    view_.attach(handle(), IDC_JPEG_VIEW);
    view_.subclass();
    view_.setImage(&preview_, RGB(0, 0, 0), false);
    render();
    value = TRUE;
    return true;
}

// Encodes at the slider's quality, decodes the file again and shows it with
// its size; when either fails, whatever _prev.dat then holds is shown.
void JpegPreviewDialog::render() {
    preview_.release();
    writeJpeg(picture_, previewFile, slider_.position(), isItemChecked(IDC_JPEG_PROGRESSIVE));
    preview_.loadOlePicture(previewFile);
    uint32_t size = fileSizeByName(previewFile);
    char text[64];
    std::snprintf(text, sizeof text, "%.2fKB (%uByte)", size / 1024.0, size);
    setItemText(IDC_JPEG_FILE_SIZE, text);
    view_.invalidate();
}

bool JpegPreviewDialog::onHScroll(int code, int position, HWND control) {
    int chosen = slider_.onScroll(code, position, control);
    if (chosen < 0) return false;
    setItemUnsigned(IDC_JPEG_QUALITY, static_cast<uint32_t>(chosen));
    render();
    return true;
}

bool JpegPreviewDialog::onCommand(int id, int, HWND) {
    switch (id) {
    case IDC_JPEG_PROGRESSIVE:
        render();
        return true;
    case IDOK: {
        INT_PTR result = slider_.position();
        if (isItemChecked(IDC_JPEG_PROGRESSIVE)) result += progressiveBit;
        close(result);
        return true;
    }
    case IDCANCEL:
        close(-1);
        return true;
    default:
        return false;
    }
}

void JpegPreviewDialog::close(INT_PTR result) {
    picture_.release();
    preview_.release();
    platform::deleteFile(previewFile);
    endDialog(result);
}
