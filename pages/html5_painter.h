// The HTML5 painter that stands in for the PaintBBS applet in today's
// browsers: its two files in the program folder, the lines that name them in
// a page, and the animation files of its own, which begin "NEO ".
#pragma once

#include <cstdint>

#include "app/file_handle.h"
#include "app/text_buffer.h"
#include "app/drawing_setup.h"

// The painter's script; its presence in the program folder turns the
// PaintBBS pages into pages for the painter.
extern const char* const painterScript;
// Where the painter posts, relative to the page.
extern const char* const painterSaveAddress;
// The copy of one of the painter's own animations, named so that the painter
// reads it as an animation rather than as a picture.
extern const char* const painterAnimationCopy;

bool hasHtml5Painter(const char* folder);
// The drawing page of setup is written for the painter: PaintBBS is chosen
// and the painter is in folder.
bool drawsWithHtml5Painter(const DrawingSetup& setup, const char* folder);

// The style sheet line (when neo.css is in folder) and the script line, each
// ended by CR LF.
void writePainterLinks(FileHandle& file, const char* folder);

// The file is one of the painter's own animations: it begins "NEO ".
bool isPainterAnimation(const char* path);
// The picture size of such an animation, from the two 16-bit little-endian
// numbers after "NEO ". False, with width and height unchanged, for any other
// file.
bool painterAnimationSize(const char* path, int32_t& width, int32_t& height);
