// The save flow's questions on Windows: the save dialog, and a Yes/No box
// for the overwrite question.
#pragma once

#include "save/save_asker.h"

struct Settings;

class DialogSaveAsker : public SaveAsker {
public:
    explicit DialogSaveAsker(Settings& settings) : settings_(settings) {}

    bool chooseSave(SaveChoices& choices, const RasterImage& picture) override;
    // A system-modal question without owner, caption "確認"; true for Yes.
    bool confirmOverwrite(const char* text) override;

private:
    Settings& settings_;
};
