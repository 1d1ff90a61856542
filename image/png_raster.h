// The PNG side of a picture: scanlines in PNG order, shared by the writer
// (which fills it from a RasterImage) and the reader (which fills it from a file).
#pragma once

#include <cstdint>

#include "app/byte_buffer.h"

// Colour types of the PNG header, and the filter types of a scanline.
enum PngColourType : uint8_t { pngGrey = 0, pngTrueColour = 2, pngIndexed = 3, pngGreyAlpha = 4, pngTrueColourAlpha = 6 };
enum PngFilter : uint8_t { pngFilterNone = 0, pngFilterSub = 1, pngFilterUp = 2, pngFilterAverage = 3, pngFilterPaeth = 4 };

struct PngRaster {
    // 1, 2, 4, 8: palette or grey indices of that many bits; 24: red, green,
    // blue; 32: red, green, blue, alpha.
    uint16_t format = 0;
    uint16_t paletteCount = 0;
    int32_t width = 0;
    int32_t height = 0;
    // Bytes per scanline including its leading filter-type byte.
    uint32_t rowBytes = 0;
    // height × rowBytes bytes, rows top first.
    ByteBuffer scanlines;
    // paletteCount × 3 bytes: red, green, blue.
    ByteBuffer paletteData;
};

// ceil(width × format / 8) + 1 into rowBytes; false when it leaves 32 bits.
bool pngRowBytes(int32_t width, uint32_t format, uint32_t& rowBytes);
