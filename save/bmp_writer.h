// The BMP writer: a 24-bit picture as an uncompressed bottom-up BMP with a
// 40-byte info header, rows exactly as the RasterImage holds them.
#pragma once

#include "image/raster_image.h"

// False, with no file created, for a picture that is not 3 bytes per pixel;
// false when the file cannot be created or written (a partly written file is
// deleted).
bool writeBmp(const RasterImage& image, const char* path);
