// What the server calls when a posted submission has arrived whole in
// _post.dat. The program folder is current during the call; the server makes
// it current again afterwards, whatever the handler left current.
#pragma once

#include "app/text_buffer.h"

class SubmissionHandler {
public:
    virtual ~SubmissionHandler() = default;
    // True when the submission was saved; resultText then lists what was
    // written (one line per file), and an empty text counts as failure.
    virtual bool saveSubmission(TextBuffer& resultText) = 0;
};
