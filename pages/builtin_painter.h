// Sketchhaven's own HTML5 painter: the script the program carries and serves
// from memory, the line that names it in a page, and the animation records
// it writes, which begin "SKHV".
#pragma once

#include <cstdint>

#include "app/drawing_setup.h"
#include "app/file_handle.h"

// The request path at which the server answers with the painter's script
// (IDR_PAINTER_SCRIPT); nothing of the program folder is served there.
extern const char* const builtInPainterPath;

// The script line of a page drawn or replayed by the built-in painter, ended
// by CR LF.
void writeBuiltInPainterLink(FileHandle& file);

// The params that ask the painter for the frames of a timelapse, sent with
// the picture: timelapse_frames and timelapse_size.
void writeTimelapseParams(FileHandle& file, const TimelapseAsk& ask);

// What the header of one of the painter's records says.
struct BuiltInRecordHeader {
    uint32_t width;
    uint32_t height;
    uint32_t layers;
};

// The file is one of the painter's records: it begins "SKHV" and a header of
// a version and a size the painter writes. False, with header unchanged,
// for any other file.
bool readBuiltInRecordHeader(const char* path, BuiltInRecordHeader& header);
bool isBuiltInRecord(const char* path);
