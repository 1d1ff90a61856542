#include "save/native_asker.h"

#include "app/program_folder.h"
#include "app/settings.h"

namespace {

constexpr uint16_t chosenOutputs =
    SaveChoices::savePicture | SaveChoices::saveThumbnail | SaveChoices::saveAnimation;
// Names tried before the folder counts as full.
constexpr int nameAttempts = 10000;

bool outputExists(const TextBuffer& folder, const char* prefix, const char* name, const char* extension) {
    TextBuffer file(prefix);
    file.append(name);
    file.append(".");
    file.append(extension);
    return existsInFolder(folder.text(), file.text());
}

}  // namespace

void nextFileName(const char* name, TextBuffer& out) {
    out.assign(name);
    int end = out.length();
    int digits = end;
    while (digits > 0 && out.text()[digits - 1] >= '0' && out.text()[digits - 1] <= '9') --digits;
    if (digits == end) {
        out.append("1");
        return;
    }
    char* text = out.data();
    int i = end - 1;
    for (; i >= digits && text[i] == '9'; --i) text[i] = '0';
    if (i >= digits) {
        ++text[i];
        return;
    }
    TextBuffer rest(text + digits);
    out.setCharAt(digits, '\0');
    out.append("1");
    out.append(rest.text());
}

bool NativeAsker::takeFreeName(const SaveChoices& choices) {
    TextBuffer name(settings_.saveFile.text());
    for (int attempt = 0; attempt < nameAttempts; ++attempt) {
        if (!isTaken(choices, name.text())) {
            settings_.saveFile.assign(name.text());
            return true;
        }
        TextBuffer next;
        nextFileName(name.text(), next);
        name.assign(next.text());
    }
    return false;
}

bool NativeAsker::isTaken(const SaveChoices& choices, const char* name) const {
    const TextBuffer& folder = settings_.saveDir;
    uint16_t bits = choices.optionBits;
    if ((bits & SaveChoices::savePicture) && formatExtension(choices.saveType) &&
        outputExists(folder, "", name, formatExtension(choices.saveType)))
        return true;
    if ((bits & SaveChoices::saveThumbnail) && formatExtension(choices.thumbType) &&
        outputExists(folder, "s_", name, formatExtension(choices.thumbType)))
        return true;
    return (bits & SaveChoices::saveAnimation) && (bits & SaveChoices::carriesAnimation) &&
           (outputExists(folder, "", name, "pch") || outputExists(folder, "", name, "spch"));
}

bool NativeAsker::chooseSave(SaveChoices& choices, const RasterImage& picture) {
    adaptChoicesToPicture(choices, picture);
    if (settings_.saveDir.isEmpty() || settings_.saveFile.isEmpty()) return false;
    if (!settings_.saveFile.isValidFileName(true)) return false;
    if (!takeFreeName(choices)) return false;
    // What the Save button reads back from controls that show these values.
    choices.optionBits &= chosenOutputs;
    choices.jpegSetting = jpegSettingOf(choices.jpegSetting & jpegQualityMask, choices.jpegSetting & jpegProgressive);
    choices.transparentColour &= colourMask | useTransparency;
    return true;
}
