// The drawing page draw.html: the applet tag and parameters for one drawing
// set-up, the copy of the picture to continue, and the draw step around it.
#pragma once

#include <cstdint>

#include "app/file_handle.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "pages/applets.h"
#include "pages/drawing_setup.h"
#include "platform/platform.h"

// The parameters of kinds 0 to 4, ending with the design parameters of the
// Design section given; folder is where _load.dat is copied to.
void writePainterParams(FileHandle& file, AppletKind kind, const DrawingSetup& setup, const char* folder,
                        const IniSection& design);
// The parameters of the poo applet.
void writePooParams(FileHandle& file, const DrawingSetup& setup, const char* folder);

// Writes folder\draw.html for setup, with the design of folder\set.ini, and
// copies the picture to continue (if any) to folder\_load.dat. False, with
// nothing written, when no applet is selected or the file cannot be created.
bool writeDrawingPage(const DrawingSetup& setup, const char* folder);

// The draw step up to the browser: checkDrawingFiles, and on failure its
// warning owned by owner and false; otherwise writeDrawingPage and true
// (also when the page could not be written: the browser goes on to whatever
// the server has).
bool prepareDrawing(const DrawingSetup& setup, const char* folder, platform::WindowRef owner);

// "http://localhost", ":" and the port unless it is 80, "/draw.html".
void drawingPageAddress(uint16_t port, TextBuffer& out);

// The whole draw step: prepareDrawing, then the browser of folder\set.ini
// sent to the drawing page on port. False when either step failed (after
// its warning).
bool startDrawing(const DrawingSetup& setup, const char* folder, uint16_t port, platform::WindowRef owner);
