// Natively a submission is saved under the stored options without asking,
// and never over an existing file while the overwrite question is on.
#include "app/program/save_handler.h"
#include "save/native_asker.h"
#include "save/save_flow.h"

SubmissionHandler* saveHandler(Settings& settings) {
    static NativeAsker asker(settings);
    static SaveFlow flow(settings, asker);
    return &flow;
}
