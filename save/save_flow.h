// One completed submission turned into files in the save folder: decode the
// body, ask the user, write the picture, the thumbnail, the animation record
// and the timelapse, and list what was written.
#pragma once

#include <cstdint>

#include "app/text_buffer.h"
#include "save/submission.h"

class RasterImage;
class SaveAsker;
struct SaveChoices;
struct Settings;

class SaveFlow {
public:
    SaveFlow(Settings& settings, SaveAsker& asker) : settings_(settings), asker_(asker) {}

    // Called with the program folder current and _post.dat complete. Fills
    // resultText with one line "name (n.nnKB)" CR LF per file written and
    // returns true when the flow ran to its end; false when the body cannot
    // be read, the picture is not a readable PNG (before any question), the
    // user declines, or the save folder cannot be entered (nothing written).
    // The save folder is left current.
    bool saveSubmission(TextBuffer& resultText);

private:
    // The names about to be written; an empty name is an output not written.
    struct OutputNames {
        TextBuffer picture{255};
        TextBuffer thumbnail{255};
        TextBuffer animation{255};
        TextBuffer timelapseGif{255};
        TextBuffer timelapsePng{255};
    };

    void planOutputs(SubmissionFlags flags, OutputNames& names) const;
    bool enterSaveFolder() const;
    // Asks before replacing any of the names that exist; true to go on.
    bool confirmOverwrite(const OutputNames& names);
    bool writePicture(const RasterImage& picture, const char* name) const;
    bool writeThumbnail(const RasterImage& picture, const SaveChoices& choices, const char* name) const;
    // The timelapse files, each listed when written; a line saying why when
    // the frames cannot be used (the other files stand as written).
    void writeTimelapse(const RasterImage& picture, const char* framesPath, const OutputNames& names,
                        TextBuffer& resultText) const;

    Settings& settings_;
    SaveAsker& asker_;
};
