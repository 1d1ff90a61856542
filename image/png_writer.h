// PNG writing: a 24-bit picture becomes a PngRaster (8-bit palette indices or
// 8-bit red, green, blue), which is written unfiltered in one IDAT chunk.
#pragma once

#include <cstdint>
#include <string>

#include "image/png_raster.h"
#include "image/raster_image.h"

// Fills raster from a 24-bit source. format 8 takes each pixel's position in
// the first count entries of palette (census colours, 0 when absent); format
// 24 the colours themselves. False for another format or source depth, or
// when the buffers cannot be allocated.
bool preparePng(const RasterImage& source, PngRaster& raster, int format, const uint32_t* palette, int count);

// The census of source (palette receives its 256 entries, count its result)
// and, for 1 … 256 colours, the format 8 raster that countColours followed by
// preparePng gives; for more colours count is 0 and raster holds no
// scanlines. False for another source depth or when a buffer cannot be
// allocated.
bool preparePngPalette(const RasterImage& source, PngRaster& raster, uint32_t* palette, int& count);

// The level that lets writePng choose by the picture: 6, about as small as
// zlib's 6, except for a picture in which fewer than 1 pixel in 20 repeats its
// left neighbour (a photo, noise, a fine pattern). There level 6's lazy
// matching finds little that level 4's greedy matching misses: the file stays
// within 1 % of the size and takes 10-45 % less time.
constexpr int pngLevelByPicture = -1;

// Writes raster (format 8 or 24) to path, its scanlines compressed as one zlib
// stream at libdeflate's level (1 … 12) or pngLevelByPicture; transparent is
// a colour 0x00BBGGRR to mark transparent, or -1. Holds the compressed stream
// (at most a little more than the scanlines) in memory while writing. False
// when the raster is unusable, the stream cannot be made (no file is created
// then), the file cannot be created, or a write fails, in which case the
// half-written file is deleted.
bool writePng(const PngRaster& raster, const char* path, int level, int32_t transparent);
// The same PNG without transparency, held in memory as the whole of out.
// False, out unspecified, when the raster is unusable or the stream cannot
// be made.
bool encodePng(const PngRaster& raster, int level, std::string& out);
