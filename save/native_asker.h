// The native program's answers: the save dialog accepted as it opens, under
// the stored options and the first free name from the stored one on, and no
// to every overwrite question, so that nothing is ever replaced.
#pragma once

#include "app/text_buffer.h"
#include "save/save_asker.h"

struct Settings;

class NativeAsker : public SaveAsker {
public:
    explicit NativeAsker(Settings& settings) : settings_(settings) {}

    // False when the stored folder is empty or the stored file name is empty
    // or not a valid name, as the dialog's Save button would refuse them, or
    // when no free name is found. A folder that does not exist is found by
    // the flow, which then fails. The name used is stored, as the dialog
    // stores the one typed.
    bool chooseSave(SaveChoices& choices, const RasterImage& picture) override;
    bool confirmOverwrite(const char*) override { return false; }

private:
    // Stores the first name from the stored one on that isTaken does not
    // refuse; false when none is found within a bound.
    bool takeFreeName(const SaveChoices& choices);
    // Some file the choices would write under name exists in the save folder.
    bool isTaken(const SaveChoices& choices, const char* name) const;

    Settings& settings_;
};

// The name after name: its trailing digits counted up in the same width or
// wider ("000" to "001", "a09" to "a10", "99" to "100"), or "1" appended
// when it ends in none.
void nextFileName(const char* name, TextBuffer& out);
