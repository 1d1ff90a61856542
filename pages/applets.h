// The applet catalogue: the six drawing applets in the order of the main
// window's list, what each needs in the program folder, its automatic size,
// and the palette scripts and quality entries offered beside them.
#pragma once

#include <cstdint>

#include "app/text_buffer.h"
#include "app/drawing_setup.h"

enum class AppletKind : int {
    PaintBBS = 0,
    ShiPainterNormal = 1,
    ShiPainterPro = 2,
    ShiPainterAllNormal = 3,
    ShiPainterAllPro = 4,
    Poo = 5,
};

struct AppletEntry {
    const char* label;         // in the main window's list
    const char* code;          // the applet tag's code; %d is the poo version
    const char* archive;       // the applet tag's archive; %d likewise
    const char* requiredFile;  // must exist before drawing (a pattern for poo)
    int32_t smallestWidth;     // automatic size: at least this,
    int32_t smallestHeight;
    int32_t widthMargin;       // else the image size plus this
    int32_t heightMargin;
};

struct PaletteEntry {
    const char* label;
    const char* script;     // null for "not used"
    const char* startCall;
};

extern const AppletEntry appletEntries[appletKindCount];
extern const PaletteEntry paletteEntries[paletteCount];
extern const char* const qualityLabels[qualityCount];

// The kind of a list selection; false for -1 (none) and anything outside.
bool appletKindOf(int selection, AppletKind& kind);
const AppletEntry& appletEntry(AppletKind kind);
// Kinds 1 to 4.
bool isShiPainter(AppletKind kind);
// The palette script of a selection 1 to 3, null for 0, -1 or outside.
const PaletteEntry* paletteScript(int selection);

// The applet size: requested as it stands unless it is 0 (automatic), then
// the image size plus the kind's margin but at least its smallest size.
int32_t autoAppletWidth(AppletKind kind, int32_t requested, uint32_t imageWidth);
int32_t autoAppletHeight(AppletKind kind, int32_t requested, uint32_t imageHeight);

// The version of the first "oekaki*.jar" the folder search lists: the digits
// from position 6 of its name, cut after its ninth character (oekaki131.jar
// gives 131). -1 when there is none.
int oekakiVersion(const char* folder);

// Whether the outside painter of setup can draw in folder: an applet is
// selected, its archive (or for PaintBBS the HTML5 painter) and the chosen
// palette script exist, and the poo archive is not version 132. False with
// the warning text for the user in warning.
bool checkDrawingFiles(const DrawingSetup& setup, const char* folder, TextBuffer& warning);
