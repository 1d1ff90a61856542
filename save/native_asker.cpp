#include "save/native_asker.h"

#include "app/settings.h"

namespace {

constexpr uint16_t chosenOutputs =
    SaveChoices::savePicture | SaveChoices::saveThumbnail | SaveChoices::saveAnimation;

}  // namespace

bool NativeAsker::chooseSave(SaveChoices& choices, const RasterImage& picture) {
    adaptChoicesToPicture(choices, picture);
    if (settings_.saveDir.isEmpty() || settings_.saveFile.isEmpty()) return false;
    if (!settings_.saveFile.isValidFileName(true)) return false;
    // What the Save button reads back from controls that show these values.
    choices.optionBits &= chosenOutputs;
    choices.jpegSetting = jpegSettingOf(choices.jpegSetting & jpegQualityMask, choices.jpegSetting & jpegProgressive);
    choices.transparentColour &= colourMask | useTransparency;
    return true;
}
