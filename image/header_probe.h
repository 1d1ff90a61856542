// Reads a picture's size from the first bytes of a BMP, PNG, JPEG (JFIF) or
// GIF file without decoding it.
#pragma once

#include <cstdint>

// width and height are written only when the size is found. False when the
// file cannot be opened or its signature is not recognised; true otherwise,
// including a JPEG whose frame size was not found.
bool probeImageSize(const char* path, int32_t& width, int32_t& height);
