// On Windows a submission is saved through the save dialog, and the
// overwrite question is a Yes/No box.
#include "app/program/save_handler.h"
#include "save/save_flow.h"
#include "ui/dialogs/dialog_save_asker.h"

SubmissionHandler* saveHandler(Settings& settings) {
    static DialogSaveAsker asker(settings);
    static SaveFlow flow(settings, asker);
    return &flow;
}
