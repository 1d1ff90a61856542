// Which painter draws a set-up: an applet of the program folder, the HTML5
// painter that stands in for PaintBBS (neo.js), or the built-in painter the
// program carries.
#pragma once

#include "app/drawing_setup.h"
#include "app/text_buffer.h"

enum class PainterUse { applet, html5Painter, builtIn };

// The painter of setup in folder. An animation to continue goes to the
// painter that recorded it: a built-in record to the built-in painter, an
// HTML5 painter's record to that painter, a Java applet's to its applet,
// which must be there. Otherwise the built-in painter draws when the set-up
// asks for it or when a file the outside painter needs is missing (its
// archive or neo.js, the palette script, a poo archive it can run). False,
// with the warning text for the user, when no applet is selected or the
// animation's own painter is missing.
bool choosePainter(const DrawingSetup& setup, const char* folder, PainterUse& use, TextBuffer& warning);

// The painter's name as the main window shows it: "内蔵ペインター",
// "PaintBBS NEO（neo.js）" or the applet's archive.
void painterName(PainterUse use, const DrawingSetup& setup, const char* folder, TextBuffer& out);
