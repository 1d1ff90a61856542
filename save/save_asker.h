// How the save flow asks the user. The Windows build answers with the save
// dialog and a message box, the native program and the tests with answers of
// their own; the flow does not know which it has.
#pragma once

#include "save/save_choices.h"

class RasterImage;

class SaveAsker {
public:
    virtual ~SaveAsker() = default;
    // Edits choices for the submitted picture (already read, lent for the
    // call). True when accepted; an accepting dialog has stored the folder
    // and file name into Settings.
    virtual bool chooseSave(SaveChoices& choices, const RasterImage& picture) = 0;
    // The overwrite question with its whole text; true to go on.
    virtual bool confirmOverwrite(const char* text) = 0;
};
