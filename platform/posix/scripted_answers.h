// Native message boxes print their text and take their answers from a script
// that tests set, so that a question can be answered without a screen.
#pragma once

#include <string>
#include <vector>

namespace platform::posix {

struct ShownBox {
    std::string text;     // code page 932, as passed
    std::string caption;  // empty for the system's own caption
    unsigned style;
};

// Answers for the next boxes, first one first; when they run out, a box takes
// its first button (OK or Yes).
void setScriptedAnswers(std::vector<int> answers);
// Every box shown since the last call, oldest first; the record is cleared.
std::vector<ShownBox> takeShownBoxes();

}  // namespace platform::posix
