#include "ui/dialogs/thumbnail_dialog.h"

#include <algorithm>

#include "image/checked_size.h"
#include "image/resample.h"
#include "save/save_choices.h"
#include "ui/resource_ids.h"

namespace {

constexpr char submittedPicture[] = "_tmppng.dat";
constexpr int thumbFormats = 3;
constexpr const char* formatNames[thumbFormats] = {"BMP", "PNG", "JPEG"};
constexpr int jpegIndex = 2;
constexpr uint32_t percent = 100;
// Values of the four size boxes are taken up to this, so that every product
// with a side (at most RasterImage::maxSide) stays inside 32 bits.
constexpr uint32_t largestBoxValue = 65535;

}  // namespace

INT_PTR ThumbnailDialog::run(HWND owner) { return showModal(IDD_THUMBNAIL, owner); }

namespace {

// v × times / by, checked: a product past 32 bits gives the largest box value.
uint32_t proportion(uint32_t v, uint32_t times, uint32_t by) {
    uint32_t product = 0;
    if (by == 0 || !multiplyChecked(v, times, product)) return largestBoxValue;
    return product / by;
}

}  // namespace

uint32_t ThumbnailDialog::boxValue(int id) const { return std::min(itemUnsigned(id), largestBoxValue); }

bool ThumbnailDialog::onInitDialog(LRESULT& value) {
    if (!picture_.loadPng(submittedPicture)) {
        endDialog(-1);
        return true;
    }
    ready_ = 0;
    uint32_t w = static_cast<uint32_t>(picture_.width());
    uint32_t h = static_cast<uint32_t>(picture_.height());
    uint32_t tw = static_cast<uint32_t>(std::clamp<int32_t>(thumbWidth, 0, largestBoxValue));
    uint32_t th = static_cast<uint32_t>(std::clamp<int32_t>(thumbHeight, 0, largestBoxValue));
    setItemUnsigned(IDC_THUMB_WIDTH, tw);
    setItemUnsigned(IDC_THUMB_WIDTH_PERCENT, proportion(tw, percent, w));
    setItemUnsigned(IDC_THUMB_HEIGHT, th);
    setItemUnsigned(IDC_THUMB_HEIGHT_PERCENT, proportion(th, percent, h));
    checkItem(IDC_THUMB_KEEP_RATIO, true);
    format_.attach(handle(), IDC_THUMB_FORMAT);
    for (const char* name : formatNames) format_.addString(name);
    format_.setSelection(thumbType);
    setItemUnsigned(IDC_THUMB_QUALITY, thumbSetting & jpegQualityMask);
    checkItem(IDC_THUMB_PROGRESSIVE, (thumbSetting & jpegProgressive) != 0);
    enableItem(IDC_THUMB_QUALITY, thumbType == jpegIndex);
    enableItem(IDC_THUMB_PROGRESSIVE, thumbType == jpegIndex);
    view_.attach(handle(), IDC_THUMB_VIEW);
    view_.subclass();
    showPreview();
    ready_ = 1;
    value = TRUE;
    return true;
}

void ThumbnailDialog::showPreview() {
    thumb_.release();
    uint32_t w = boxValue(IDC_THUMB_WIDTH);
    uint32_t h = boxValue(IDC_THUMB_HEIGHT);
    if (w == 0 || h == 0) return;
    resample(picture_, thumb_, static_cast<int32_t>(w), static_cast<int32_t>(h));
    view_.setImage(&thumb_, GetSysColor(COLOR_BTNFACE), true);
    view_.invalidate();
}

// The other boxes follow the one just typed; the proportions are the
// picture's (W × H) when the keep-ratio box is ticked.
void ThumbnailDialog::followSizeBox(int id) {
    uint32_t v = boxValue(id);
    uint32_t w = static_cast<uint32_t>(picture_.width());
    uint32_t h = static_cast<uint32_t>(picture_.height());
    bool tied = isItemChecked(IDC_THUMB_KEEP_RATIO);
    switch (id) {
    case IDC_THUMB_WIDTH:
        setItemUnsigned(IDC_THUMB_WIDTH_PERCENT, proportion(v, percent, w));
        if (tied) {
            setItemUnsigned(IDC_THUMB_HEIGHT, proportion(v, h, w));
            setItemUnsigned(IDC_THUMB_HEIGHT_PERCENT, proportion(v, percent, w));
        }
        break;
    case IDC_THUMB_HEIGHT:
        setItemUnsigned(IDC_THUMB_HEIGHT_PERCENT, proportion(v, percent, h));
        if (tied) {
            setItemUnsigned(IDC_THUMB_WIDTH, proportion(v, w, h));
            setItemUnsigned(IDC_THUMB_WIDTH_PERCENT, proportion(v, percent, h));
        }
        break;
    case IDC_THUMB_WIDTH_PERCENT:
        setItemUnsigned(IDC_THUMB_WIDTH, proportion(v, w, percent));
        if (tied) {
            setItemUnsigned(IDC_THUMB_HEIGHT_PERCENT, v);
            setItemUnsigned(IDC_THUMB_HEIGHT, proportion(v, h, percent));
        }
        break;
    case IDC_THUMB_HEIGHT_PERCENT:
        setItemUnsigned(IDC_THUMB_HEIGHT, proportion(v, h, percent));
        if (tied) {
            setItemUnsigned(IDC_THUMB_WIDTH_PERCENT, v);
            setItemUnsigned(IDC_THUMB_WIDTH, proportion(v, w, percent));
        }
        break;
    default:
        break;
    }
}

bool ThumbnailDialog::onCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_THUMB_WIDTH:
    case IDC_THUMB_HEIGHT:
    case IDC_THUMB_WIDTH_PERCENT:
    case IDC_THUMB_HEIGHT_PERCENT:
        if (code != EN_CHANGE || ready_ != 1) return false;
        ready_ = 0;
        followSizeBox(id);
        ready_ = 1;
        return true;
    case IDC_THUMB_FORMAT: {
        if (code != CBN_SELCHANGE) return false;
        bool jpeg = format_.selection() == jpegIndex;
        enableItem(IDC_THUMB_QUALITY, jpeg);
        enableItem(IDC_THUMB_PROGRESSIVE, jpeg);
        return true;
    }
    case IDC_THUMB_UPDATE:
        showPreview();
        return true;
    case IDOK:
    case IDCANCEL:
        close();
        return true;
    default:
        return false;
    }
}

void ThumbnailDialog::close() {
    thumbWidth = static_cast<int32_t>(boxValue(IDC_THUMB_WIDTH));
    thumbHeight = static_cast<int32_t>(boxValue(IDC_THUMB_HEIGHT));
    int chosen = format_.selection();
    if (chosen >= 0 && chosen < thumbFormats) thumbType = static_cast<uint16_t>(chosen);
    thumbSetting = jpegSettingOf(itemUnsigned(IDC_THUMB_QUALITY), isItemChecked(IDC_THUMB_PROGRESSIVE));
    picture_.release();
    thumb_.release();
    endDialog(1);
}
