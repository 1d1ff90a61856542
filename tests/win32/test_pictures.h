// Small pictures for the dialog tests.
#pragma once

#include <windows.h>

#include <cstdint>

#include "image/raster_image.h"

// One colour (0x00BBGGRR) everywhere.
bool fillPicture(RasterImage& image, int32_t width, int32_t height, COLORREF colour);
// Column x in red, row y in green (both cut to 8 bits), blue 0.
bool gradientPicture(RasterImage& image, int32_t width, int32_t height);
// A 24-bit PNG of the picture, with our own writer.
bool writePngFile(const RasterImage& image, const char* path);
