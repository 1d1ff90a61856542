// PNG reading: non-interlaced grey, true-colour, palette and true-colour with
// alpha files of bit depth 1 to 8 become a 24-bit RasterImage (alpha dropped,
// never blended).
#pragma once

#include <cstdint>

#include "app/file_handle.h"
#include "image/raster_image.h"

// Searches forward from the file position for the chunk of that exact type,
// skipping every other chunk; on success the position is right after the
// type and length holds the chunk's length. No CRC is checked. False at the
// end of the file, or after a bounded number of chunks.
bool findChunk(FileHandle& file, const char* type, uint32_t& length);

// Decodes the file into a fresh image; false, with the image empty, for a
// refused or unreadable file. A compressed stream that ends early leaves the
// missing rows as all-zero scanlines (black, or palette entry 0). An index
// beyond the palette gives black.
bool decodePng(const char* path, RasterImage& image);
