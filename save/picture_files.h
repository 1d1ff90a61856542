// The picture files the save flow writes through the palette-aware encoders.
#pragma once

#include <cstdint>

#include "image/raster_image.h"

// PNG at level 6: 8-bit palette indices when the picture has at most 256
// colours, true colour otherwise. transparent: 0x00BBGGRR or -1.
bool savePng(const RasterImage& image, const char* path, int32_t transparent);


// GIF89a; false, with no file created, for more than 256 colours.
// transparent: 0x00BBGGRR or -1.
bool saveGif(const RasterImage& image, const char* path, int32_t transparent);
