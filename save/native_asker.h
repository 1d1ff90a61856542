// The native program's answers: the save dialog accepted as it opens, under
// the stored options, and no to every overwrite question, so that nothing is
// ever replaced silently.
#pragma once

#include "save/save_asker.h"

struct Settings;

class NativeAsker : public SaveAsker {
public:
    explicit NativeAsker(const Settings& settings) : settings_(settings) {}

    // False when the stored folder is empty or the stored file name is empty
    // or not a valid name, as the dialog's Save button would refuse them. A
    // folder that does not exist is found by the flow, which then fails.
    bool chooseSave(SaveChoices& choices, const RasterImage& picture) override;
    bool confirmOverwrite(const char*) override { return false; }

private:
    const Settings& settings_;
};
