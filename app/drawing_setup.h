// The set-up of one drawing: the values the main window's controls hold (or,
// natively, set.ini and the command line give), from which the drawing page
// is written. The defaults are those of a missing set.ini.
#pragma once

#include <cstdint>

#include "app/text_buffer.h"

// Entries of the main window's applet, quality and palette lists.
constexpr int appletKindCount = 6;
constexpr int qualityCount = 4;
constexpr int paletteCount = 4;

// What the built-in painter is asked to send for a timelapse: frames in all
// (0 for none) and the longer side of the finished timelapse in pixels.
struct TimelapseAsk {
    uint32_t frames = 120;
    uint32_t size = 480;
};

struct DrawingSetup {
    int kind = 0;              // AppletKind 0 to 5, -1 when none is selected
    int32_t appletWidth = 0;   // 0 automatic, -1 the whole window, else pixels
    int32_t appletHeight = 0;
    uint32_t imageWidth = 300;
    uint32_t imageHeight = 300;
    int quality = 0;           // list entry 0 to 3 (quality 1 to 4), -1 none
    uint32_t layers = 2;
    uint32_t undo = 90;
    uint32_t undoBatch = 15;
    int palette = 3;           // palette list entry 0 to 3, -1 none
    bool animation = true;
    bool builtInPainter = false;  // the built-in painter draws even where an outside one is there
    TimelapseAsk timelapse;
    CopiedText continuePath{pathCapacity};  // the picture to continue, empty for a new one
};
