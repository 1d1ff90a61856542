#include "ui/dialogs/dialog_save_asker.h"

#include "platform/platform.h"
#include "ui/dialogs/save_dialog.h"

bool DialogSaveAsker::chooseSave(SaveChoices& choices, const RasterImage& picture) {
    SaveDialog dialog(settings_, choices, picture);
    return dialog.run() == 1;
}

bool DialogSaveAsker::confirmOverwrite(const char* text) {
    return platform::messageBox(nullptr, text, "確認", platform::boxYesNo | platform::boxIconQuestion) ==
           platform::answerYes;
}
