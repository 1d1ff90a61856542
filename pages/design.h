// Design colours: section Design of set.ini turned into applet parameters.
// color1 colours the page body; color2 to color17 recolour the applet.
#pragma once

#include "app/file_handle.h"
#include "app/settings.h"
#include "pages/applets.h"

constexpr int designColourCount = 17;
constexpr int32_t noDesignColour = -1;
constexpr int32_t defaultPageColour = 0xADDEFF;  // #FFDEAD
constexpr int32_t defaultScrollSize = 20;

// One row per key color1 … color17, in key order: the label of the design
// dialog's list and the applet parameter (null for color1, the page body).
struct DesignColour {
    const char* label;
    const char* parameter;
};

extern const DesignColour designColours[designColourCount];

// The page body colour: color1, or the default when absent or -1.
int32_t pageColour(const IniSection& design);

// Appends the design parameters: every colour of color2 … color17 not left
// at -1, "bar_size" from ScrollSize, and for the Shi-Painter family
// "cursor_1" from Cursor when it is set.
void writeDesignParams(FileHandle& file, AppletKind kind, const IniSection& design);
