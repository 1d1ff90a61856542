// The drawing page draw.html: the applet tag and parameters for one drawing
// set-up, the copy of the picture to continue, and the draw step around it.
#pragma once

#include <cstdint>

#include "app/file_handle.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "pages/applets.h"
#include "pages/painter_choice.h"
#include "app/drawing_setup.h"
#include "platform/platform.h"

// The parameters of kinds 0 to 4, ending with the design parameters of the
// Design section given; folder is where _load.dat is copied to. An HTML5
// painter (use other than applet) is also told where to post.
void writePainterParams(FileHandle& file, AppletKind kind, const DrawingSetup& setup, const char* folder,
                        const IniSection& design, PainterUse use);
// The parameters of the poo applet.
void writePooParams(FileHandle& file, const DrawingSetup& setup, const char* folder, PainterUse use);

// Writes folder\draw.html for setup drawn by use, with the design of
// folder\set.ini, and copies the picture to continue (if any) to
// folder\_load.dat. The built-in painter's page names its script and no
// palette script. False, with nothing written, when no applet is selected or
// the file cannot be created.
bool writeDrawingPage(const DrawingSetup& setup, const char* folder, PainterUse use);

// The image size of setup (and an SPCH file's quality) from the file to
// continue: the header of a built-in painter's record, of an SPCH file or of
// the HTML5 painter's animation,
// the size tag of a PCH file's name, or a picture's header. Fields the file
// does not give stay as they are.
void followPictureToContinue(DrawingSetup& setup);

// The draw step up to the browser: choosePainter, and on failure its
// warning owned by owner and false; otherwise writeDrawingPage and true
// (also when the page could not be written: the browser goes on to whatever
// the server has).
bool prepareDrawing(const DrawingSetup& setup, const char* folder, platform::WindowRef owner);

// "http://localhost", ":" and the port unless it is 80, "/" and page.
void localPageAddress(uint16_t port, const char* page, TextBuffer& out);
// The address of draw.html.
void drawingPageAddress(uint16_t port, TextBuffer& out);

// The whole draw step: prepareDrawing, then the browser of folder\set.ini
// sent to the drawing page on port. False when either step failed (after
// its warning).
bool startDrawing(const DrawingSetup& setup, const char* folder, uint16_t port, platform::WindowRef owner);
