#include "save/save_flow.h"

#include <cstdio>
#include <initializer_list>

#include "app/file_handle.h"
#include "app/dbcs.h"
#include "app/settings.h"
#include "image/jpeg_writer.h"
#include "image/raster_image.h"
#include "image/resample.h"
#include "save/bmp_writer.h"
#include "save/picture_files.h"
#include "save/save_asker.h"
#include "save/save_choices.h"
#include "save/timelapse.h"

namespace {

constexpr const char* pictureFile = "_tmppng.dat";
constexpr const char* animationFile = "_tmppch.dat";
constexpr const char* thumbnailPrefix = "s_";
constexpr const char* timelapseSuffix = "_timelapse";
constexpr const char* overwriteQuestion = "\nファイルが存在します。上書きしますか？";
constexpr int32_t noTransparency = -1;

constexpr uint16_t thumbnailFormatCount = 3;  // no GIF writer for thumbnails

// prefix + file name + "." + extension into name.
void composeName(TextBuffer& name, const char* prefix, const TextBuffer& file, const char* extension) {
    name.assign(prefix);
    name.append(file.text());
    name.append(".");
    name.append(extension);
}

// The full path of a file of the current folder, to be found again after
// the save folder has been made current. False when the folder is unknown.
bool pathInCurrentFolder(TextBuffer& path, const char* name) {
    if (!platform::currentFolder(path.data(), static_cast<size_t>(path.sizeWithTerminator()))) return false;
    if (dbcs::findLast(path.text(), '\\') != path.length() - 1) path.append("\\");
    path.append(name);
    return true;
}

// The name, then its size as a folder search finds it, in kilobytes.
void appendResultLine(TextBuffer& resultText, const char* name) {
    char size[64];
    std::snprintf(size, sizeof size, " (%.2fKB)\r\n", fileSizeByName(name) / 1024.0);
    resultText.append(name);
    resultText.append(size);
}

int32_t transparencyOf(int32_t colourWord) {
    uint32_t word = static_cast<uint32_t>(colourWord);
    return word & useTransparency ? static_cast<int32_t>(word & colourMask) : noTransparency;
}

// Writes image in a picture format (0 to 3); false for another number or
// when the writer fails.
bool writeInFormat(const RasterImage& image, const char* path, uint16_t format, uint16_t jpegSetting,
                   int32_t transparent) {
    switch (format) {
    case formatBmp:
        return writeBmp(image, path);
    case formatPng:
        return savePng(image, path, transparent);
    case formatJpeg:
        return writeJpeg(image, path, jpegSetting & jpegQualityMask, (jpegSetting & jpegProgressive) != 0);
    case formatGif:
        return saveGif(image, path, transparent);
    default:
        return false;
    }
}

}  // namespace

bool SaveFlow::saveSubmission(TextBuffer& resultText) {
    SubmissionFlags flags = 0;
    if (!decodeSubmission(flags)) return false;

    TextBuffer picturePath(pathCapacity);
    TextBuffer animationPath(pathCapacity);
    TextBuffer framesPath(pathCapacity);
    if (!pathInCurrentFolder(picturePath, pictureFile) || !pathInCurrentFolder(animationPath, animationFile) ||
        !pathInCurrentFolder(framesPath, timelapseFramesFile))
        return false;
    RasterImage picture;
    if (!picture.loadPng(picturePath.text())) return false;

    SaveChoices choices;
    fillSaveChoices(settings_, flags, choices);
    if (!asker_.chooseSave(choices, picture)) return false;
    keepSaveChoices(choices, settings_);

    if (!enterSaveFolder()) return false;
    OutputNames names;
    planOutputs(flags, names);
    if ((settings_.OptionFlag & optionAskOverwrite) && !confirmOverwrite(names)) return false;

    if (!names.picture.isEmpty() && writePicture(picture, names.picture.text()))
        appendResultLine(resultText, names.picture.text());
    if (!names.thumbnail.isEmpty() && writeThumbnail(picture, choices, names.thumbnail.text()))
        appendResultLine(resultText, names.thumbnail.text());
    if (!names.animation.isEmpty() && platform::copyFile(animationPath.text(), names.animation.text()))
        appendResultLine(resultText, names.animation.text());
    writeTimelapse(picture, framesPath.text(), names, resultText);
    picture.release();
    return true;
}

void SaveFlow::planOutputs(SubmissionFlags flags, OutputNames& names) const {
    uint16_t options = settings_.OptionFlag;
    if ((options & optionSavePicture) && formatExtension(settings_.SaveType))
        composeName(names.picture, "", settings_.saveFile, formatExtension(settings_.SaveType));
    if ((options & optionSaveThumbnail) && settings_.ThumType < thumbnailFormatCount)
        composeName(names.thumbnail, thumbnailPrefix, settings_.saveFile, formatExtension(settings_.ThumType));
    if ((options & optionSaveAnimation) && (flags & hasAnimation))
        composeName(names.animation, "", settings_.saveFile, flags & isSpch ? "spch" : "pch");
    if (!(flags & hasTimelapse)) return;
    TextBuffer base(settings_.saveFile.text());
    base.append(timelapseSuffix);
    if (settings_.Timelapse & timelapseGif) composeName(names.timelapseGif, "", base, "gif");
    if (settings_.Timelapse & timelapseApng) composeName(names.timelapsePng, "", base, "png");
}

bool SaveFlow::enterSaveFolder() const {
    TextBuffer folder(settings_.saveDir.text());
    if (folder.length() == 2) folder.append("\\");  // a bare drive means its root
    return platform::setCurrentFolder(folder.text());
}

bool SaveFlow::confirmOverwrite(const OutputNames& names) {
    TextBuffer text(longTextCapacity);
    for (const TextBuffer* name :
         {&names.picture, &names.thumbnail, &names.animation, &names.timelapseGif, &names.timelapsePng}) {
        if (name->isEmpty() || !fileExists(name->text())) continue;
        text.append(name->text());
        text.append("\n");
    }
    if (text.isEmpty()) return true;
    text.append(overwriteQuestion);
    return asker_.confirmOverwrite(text.text());
}

bool SaveFlow::writePicture(const RasterImage& picture, const char* name) const {
    return writeInFormat(picture, name, settings_.SaveType, settings_.JPEGSave, transparencyOf(settings_.ColorTP));
}

bool SaveFlow::writeThumbnail(const RasterImage& picture, const SaveChoices& choices, const char* name) const {
    RasterImage thumbnail;
    resample(picture, thumbnail, choices.thumbWidth, choices.thumbHeight);
    if (thumbnail.isEmpty()) return false;
    return writeInFormat(thumbnail, name, settings_.ThumType, settings_.ThumComp, noTransparency);
}

void SaveFlow::writeTimelapse(const RasterImage& picture, const char* framesPath, const OutputNames& names,
                              TextBuffer& resultText) const {
    if (names.timelapseGif.isEmpty() && names.timelapsePng.isEmpty()) return;
    TimelapseFiles files{names.timelapseGif.isEmpty() ? nullptr : names.timelapseGif.text(),
                         names.timelapsePng.isEmpty() ? nullptr : names.timelapsePng.text()};
    TimelapseOutcome outcome = ::writeTimelapse(framesPath, picture, settings_.TimelapseSize, files);
    if (outcome.refusal) {
        resultText.append(outcome.refusal);
        resultText.append("\r\n");
    }
    if (outcome.gifWritten) appendResultLine(resultText, files.gif);
    if (outcome.pngWritten) appendResultLine(resultText, files.png);
}
