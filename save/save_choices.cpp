#include "save/save_choices.h"

#include <algorithm>

#include "app/file_handle.h"
#include "app/settings.h"
#include "image/raster_image.h"

namespace {

constexpr uint32_t maxQuality = 100;

// percent of side, truncated, at least 1 and within 32 bits.
int32_t thumbnailSide(int32_t percent, int32_t side) {
    int64_t n = static_cast<int64_t>(percent) * side / 100;
    return static_cast<int32_t>(std::clamp<int64_t>(n, 1, INT32_MAX));
}

}  // namespace

void fillSaveChoices(const Settings& settings, SubmissionFlags flags, SaveChoices& choices) {
    choices = SaveChoices{};
    if (settings.OptionFlag & optionSavePicture) choices.optionBits |= SaveChoices::savePicture;
    if (settings.OptionFlag & optionSaveThumbnail) choices.optionBits |= SaveChoices::saveThumbnail;
    if (settings.OptionFlag & optionSaveAnimation) choices.optionBits |= SaveChoices::saveAnimation;
    if (flags & hasAnimation) choices.optionBits |= SaveChoices::carriesAnimation;
    if (flags & hasTimelapse) choices.optionBits |= SaveChoices::carriesTimelapse;
    choices.saveType = settings.SaveType;
    choices.jpegSetting = settings.JPEGSave;
    choices.thumbWidthPercent = settings.ThumWPers;
    choices.thumbHeightPercent = settings.ThumHPers;
    choices.thumbType = settings.ThumType;
    choices.thumbSetting = settings.ThumComp;
    choices.transparentColour = static_cast<uint32_t>(settings.ColorTP);
    choices.timelapse = settings.Timelapse;
}

void keepSaveChoices(const SaveChoices& choices, Settings& settings) {
    settings.SaveType = choices.saveType;
    settings.JPEGSave = choices.jpegSetting;
    settings.ThumType = choices.thumbType;
    settings.ThumComp = choices.thumbSetting;
    settings.ThumWPers = static_cast<uint16_t>(choices.thumbWidthPercent);
    settings.ThumHPers = static_cast<uint16_t>(choices.thumbHeightPercent);
    settings.ColorTP = static_cast<int32_t>(choices.transparentColour);
    settings.Timelapse = choices.timelapse;
    setFlag(settings.OptionFlag, optionSavePicture, choices.optionBits & SaveChoices::savePicture);
    setFlag(settings.OptionFlag, optionSaveThumbnail, choices.optionBits & SaveChoices::saveThumbnail);
    setFlag(settings.OptionFlag, optionSaveAnimation, choices.optionBits & SaveChoices::saveAnimation);
}

bool adaptChoicesToPicture(SaveChoices& choices, const RasterImage& picture) {
    choices.imageWidth = picture.width();
    choices.imageHeight = picture.height();
    int count = 0;
    bool gifPossible = picture.countColours(nullptr, count) && count != 0;
    if (!gifPossible && choices.saveType == formatGif) choices.saveType = formatPng;
    choices.thumbWidth = thumbnailSide(choices.thumbWidthPercent, choices.imageWidth);
    choices.thumbHeight = thumbnailSide(choices.thumbHeightPercent, choices.imageHeight);
    return gifPossible;
}

uint16_t jpegSettingOf(uint32_t quality, bool progressive) {
    uint32_t kept = std::clamp<uint32_t>(quality & 0xFFFF, 1, maxQuality);
    return static_cast<uint16_t>(progressive ? kept | jpegProgressive : kept);
}

const char* formatExtension(uint16_t format) {
    static const char* const extensions[] = {"bmp", "png", "jpg", "gif"};
    return format < sizeof extensions / sizeof extensions[0] ? extensions[format] : nullptr;
}
