#include "ui/dialogs/save_dialog.h"

#include <cstdio>

#include "app/file_handle.h"
#include "app/program_folder.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "image/raster_image.h"
#include "platform/platform.h"
#include "ui/dialogs/jpeg_preview_dialog.h"
#include "ui/dialogs/thumbnail_dialog.h"
#include "ui/resource_ids.h"

namespace {

constexpr int nameCapacity = 255;
constexpr int stringCapacity = 255;
constexpr const char* formatNames[] = {"BMP", "PNG", "JPEG", "GIF"};
constexpr int formatsWithoutGif = 3;
constexpr int32_t percent = 100;

bool usesQuality(int format) { return format == formatJpeg; }
bool usesTransparency(int format) { return format == formatPng || format == formatGif; }

}  // namespace

INT_PTR SaveDialog::run() { return showModal(IDD_SAVE, nullptr); }

bool SaveDialog::onInitDialog(LRESULT& value) {
    setTopmost(true);
    setItemText(IDC_SAVE_FOLDER, settings_.saveDir.text());
    setItemText(IDC_SAVE_FILE, settings_.saveFile.text());

    checkItem(IDC_SAVE_PICTURE, choices_.optionBits & SaveChoices::savePicture);
    checkItem(IDC_SAVE_THUMBNAIL, choices_.optionBits & SaveChoices::saveThumbnail);
    checkItem(IDC_SAVE_ANIMATION, choices_.optionBits & SaveChoices::saveAnimation);
    enableItem(IDC_SAVE_ANIMATION, choices_.optionBits & SaveChoices::carriesAnimation);
    bool framesSent = choices_.optionBits & SaveChoices::carriesTimelapse;
    checkItem(IDC_SAVE_TIMELAPSE_GIF, choices_.timelapse & timelapseGif);
    checkItem(IDC_SAVE_TIMELAPSE_APNG, choices_.timelapse & timelapseApng);
    enableItem(IDC_SAVE_TIMELAPSE_GIF, framesSent);
    enableItem(IDC_SAVE_TIMELAPSE_APNG, framesSent);

    setItemUnsigned(IDC_SAVE_QUALITY, choices_.jpegSetting & jpegQualityMask);
    checkItem(IDC_SAVE_PROGRESSIVE, choices_.jpegSetting & jpegProgressive);
    checkItem(IDC_SAVE_TRANSPARENT, choices_.transparentColour & useTransparency);
    swatch_.attach(handle(), IDC_SAVE_SWATCH);
    swatch_.subclass();
    swatch_.setColour(choices_.transparentColour & colourMask);

    bool gifPossible = adaptChoicesToPicture(choices_, picture_);
    format_.attach(handle(), IDC_SAVE_FORMAT);
    int offered = gifPossible ? formatsWithoutGif + 1 : formatsWithoutGif;
    for (int i = 0; i < offered; ++i) format_.addString(formatNames[i]);
    format_.setSelection(choices_.saveType);
    enableFormatControls(choices_.saveType);
    value = TRUE;
    return true;
}

void SaveDialog::enableFormatControls(int format) {
    enableItem(IDC_SAVE_QUALITY, usesQuality(format));
    enableItem(IDC_SAVE_PROGRESSIVE, usesQuality(format));
    enableItem(IDC_SAVE_JPEG_PREVIEW, usesQuality(format));
    enableItem(IDC_SAVE_TRANSPARENT, usesTransparency(format));
    enableItem(IDC_SAVE_CHOOSE_COLOUR, usesTransparency(format));
}

bool SaveDialog::onCommand(int id, int code, HWND) {
    switch (id) {
    case IDOK:
        if (accept()) endDialog(1);
        return true;
    case IDCANCEL:
        endDialog(0);
        return true;
    case IDC_SAVE_FOLDER_BROWSE: browseFolder(); return true;
    case IDC_SAVE_FILE_BROWSE: browseFile(); return true;
    case IDC_SAVE_HELP: showHelp(); return true;
    case IDC_SAVE_FORMAT:
        if (code != CBN_SELCHANGE) return false;
        enableFormatControls(format_.selection());
        return true;
    case IDC_SAVE_SIZE_SUFFIX:
        if (code != BN_CLICKED) return false;
        toggleSizeSuffix();
        return true;
    case IDC_SAVE_CHOOSE_COLOUR: chooseTransparentColour(); return true;
    case IDC_SAVE_JPEG_PREVIEW: openJpegPreview(); return true;
    case IDC_SAVE_THUMB_SETTINGS: openThumbnailSettings(); return true;
    default: return false;
    }
}

// Each text is stored before it is checked, so a refused press already
// changes the folder and the file name in Settings.
bool SaveDialog::accept() {
    TextBuffer folder(pathCapacity);
    itemText(IDC_SAVE_FOLDER, folder);
    settings_.saveDir.assign(folder.text());
    if (folder.isEmpty()) {
        warn("フォルダ名を入力してください");
        return false;
    }
    if (!fileExists(folder.text())) {
        warn("指定したフォルダが存在しません");
        return false;
    }
    TextBuffer name(nameCapacity);
    itemText(IDC_SAVE_FILE, name);
    settings_.saveFile.assign(name.text());
    if (name.isEmpty()) {
        warn("ファイル名を入力してください");
        return false;
    }
    if (!name.isValidFileName(true)) return false;

    uint16_t bits = 0;
    if (isItemChecked(IDC_SAVE_PICTURE)) bits |= SaveChoices::savePicture;
    if (isItemChecked(IDC_SAVE_THUMBNAIL)) bits |= SaveChoices::saveThumbnail;
    if (isItemChecked(IDC_SAVE_ANIMATION)) bits |= SaveChoices::saveAnimation;
    choices_.optionBits = bits;
    choices_.timelapse = 0;
    if (isItemChecked(IDC_SAVE_TIMELAPSE_GIF)) choices_.timelapse |= timelapseGif;
    if (isItemChecked(IDC_SAVE_TIMELAPSE_APNG)) choices_.timelapse |= timelapseApng;
    int format = format_.selection();
    if (format >= 0) choices_.saveType = static_cast<uint16_t>(format);
    choices_.jpegSetting = jpegSettingOf(itemUnsigned(IDC_SAVE_QUALITY), isItemChecked(IDC_SAVE_PROGRESSIVE));
    choices_.transparentColour &= colourMask;
    if (isItemChecked(IDC_SAVE_TRANSPARENT)) choices_.transparentColour |= useTransparency;
    return true;
}

void SaveDialog::browseFolder() {
    TextBuffer folder(pathCapacity);
    if (browseForFolder(handle(), "保存フォルダ", folder, true)) setItemText(IDC_SAVE_FOLDER, folder.text());
}

void SaveDialog::browseFile() {
    TextBuffer filter(stringCapacity);
    filter.loadString(IDS_PICTURE_FILTER);
    filter.replaceAll('\n', '\0');
    TextBuffer chosen(nameCapacity);
    if (chooseSaveFile(&filePreview_, handle(), IDD_CHOOSER_PREVIEW, filter.text(), "", nullptr, false, false,
                       chosen)) {
        TextBuffer base(nameCapacity);
        chosen.baseName(base);
        setItemText(IDC_SAVE_FILE, base.text());
    }
    enterProgramFolder();
}

void SaveDialog::showHelp() {
    TextBuffer help(stringCapacity);
    help.loadString(IDS_SAVE_HELP);
    messageBox(help.text(), "ヘルプ", platform::boxOk | platform::boxIconQuestion);
}

void SaveDialog::toggleSizeSuffix() {
    TextBuffer name(nameCapacity);
    itemText(IDC_SAVE_FILE, name);
    if (isItemChecked(IDC_SAVE_SIZE_SUFFIX)) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "[x%dy%d]", choices_.imageWidth, choices_.imageHeight);
        name.append(suffix);
    } else {
        int bracket = name.findLast('[');
        if (bracket < 0) return;
        name.setCharAt(bracket, '\0');
    }
    setItemText(IDC_SAVE_FILE, name.text());
}

void SaveDialog::chooseTransparentColour() {
    COLORREF colour = 0;
    if (!chooseColour(handle(), colour)) return;
    choices_.transparentColour = (choices_.transparentColour & ~colourMask) | (colour & colourMask);
    swatch_.setColour(colour & colourMask);
}

void SaveDialog::openJpegPreview() {
    JpegPreviewDialog preview;
    preview.setting = jpegSettingOf(itemUnsigned(IDC_SAVE_QUALITY), isItemChecked(IDC_SAVE_PROGRESSIVE));
    INT_PTR result = preview.run(handle());
    if (result == -1) return;
    setItemUnsigned(IDC_SAVE_QUALITY, static_cast<uint32_t>(result) & jpegQualityMask);
    checkItem(IDC_SAVE_PROGRESSIVE, result & jpegProgressive);
}

void SaveDialog::openThumbnailSettings() {
    ThumbnailDialog thumbnail;
    thumbnail.thumbWidth = choices_.thumbWidth;
    thumbnail.thumbHeight = choices_.thumbHeight;
    thumbnail.thumbType = choices_.thumbType;
    thumbnail.thumbSetting = choices_.thumbSetting;
    thumbnail.run(handle());
    choices_.thumbWidth = thumbnail.thumbWidth > 0 ? thumbnail.thumbWidth : 1;
    choices_.thumbHeight = thumbnail.thumbHeight > 0 ? thumbnail.thumbHeight : 1;
    choices_.thumbType = thumbnail.thumbType;
    choices_.thumbSetting = thumbnail.thumbSetting;
    choices_.thumbWidthPercent = choices_.thumbWidth * percent / choices_.imageWidth;
    choices_.thumbHeightPercent = choices_.thumbHeight * percent / choices_.imageHeight;
}
