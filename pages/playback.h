// Animation files: the size a PCH file's name carries, the header of an
// SPCH file, and the playback page anim.html for the PCHViewer applet.
#pragma once

#include <cstdint>
#include <functional>

#include "app/text_buffer.h"
#include "pages/painter_choice.h"
#include "platform/platform.h"

// The name ends in ".pch" or ".spch", in any letter case: an animation of
// the Java applets, or one of the HTML5 painter's (see html5_painter.h).
bool isAnimationFileName(const char* path);

// The size tag "[x<width>y<height>]" from the last "[" of path. True only
// when both numbers were read; otherwise width and height stay unchanged.
bool pchSizeFromName(const char* path, int32_t& width, int32_t& height);

// Calls onEntry(key, value) for each header line key=value of an SPCH file
// (value: the decimal number after "=", 0 when none) up to the first line
// without "=" or the end of the file. Lines are read lineCapacity bytes at a
// time (1 to 4096); a longer line comes in pieces, each taken as a line of
// its own. False when the file cannot be opened or the capacity is refused.
using SpchEntryHandler = std::function<void(const char* key, int32_t value)>;
bool readSpchHeader(const char* path, int lineCapacity, const SpchEntryHandler& onEntry);

// The playback dialog's reading of an animation file: 300 x 300 with 2
// layers, then the header of a built-in painter's record, the name tag of a
// .pch file, or the SPCH header's image_width, image_height and layer_max
// for any other file.
void readAnimationSize(const char* path, int32_t& width, int32_t& height, int32_t& layers);

// Writes folder\anim.html for the animation file fileName (its name without
// folder), height + 26 in the applet tag when progress shows the bar,
// replayed by player: the Java viewer, the HTML5 painter (its files named in
// the head, the animation under its .pch copy) or the built-in painter (its
// script named in the head). False when the page cannot be created.
bool writeAnimationPage(const char* folder, const char* fileName, uint32_t width, uint32_t height,
                        uint32_t layers, bool progress, PainterUse player = PainterUse::applet);

// "file:///" and folder\anim.html with every \ turned into /.
void animationPageAddress(const char* folder, TextBuffer& out);

// What the playback dialog plays.
struct PlaybackRequest {
    const char* path;  // the animation file, a full path
    uint32_t width;
    uint32_t height;
    uint32_t layers;
    bool progress;
    uint16_t port;     // the server's, for a page the browser fetches from it
};

// The request for the animation file at path (kept as the request's path)
// with the size readAnimationSize reads, as the playback dialog fills its
// fields from a file.
PlaybackRequest playbackRequestOf(const char* path, bool progress, uint16_t port);

// The play step up to the browser: false, with the warning for the user,
// for an empty path or when the player of the animation's painter is
// missing (neo.js for one of the HTML5 painter's, PCHViewer.jar for a Java
// applet's); otherwise folder\anim.html and the copy of the file to
// folder\_load.dat (not checked; the HTML5 painter's to _load.pch), and
// player says who replays it.
bool preparePlayback(const PlaybackRequest& request, const char* folder, PainterUse& player, TextBuffer& warning);

// The whole play step: preparePlayback, its warning owned by owner, then
// the browser of folder\set.ini at the page's file address; the painters'
// own animations have their pages opened through the server.
bool playAnimation(const PlaybackRequest& request, const char* folder, platform::WindowRef owner);
