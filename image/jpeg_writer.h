// JPEG writing through libjpeg: baseline or progressive JFIF, with only size,
// colour space, quality and progression set; the library's defaults stand
// for everything else.
#pragma once

#include "image/raster_image.h"

// quality goes to the library unchanged (it clamps to 1 … 100). False for a
// picture that is not 3 bytes per pixel, when the file cannot be created, or
// when the library reports an error (the partly written file is deleted).
bool writeJpeg(const RasterImage& image, const char* path, int quality, bool progressive);
