// The system picture loaders. They decode into a sink that the caller
// provides, so the platform layer knows nothing of the caller's picture type.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Receives one decoded picture: first its size and depth, then the memory of
// each row to fill.
class PictureSink {
public:
    virtual ~PictureSink() = default;
    // Makes room for width × height pixels of bitsPerPixel (24: blue, green,
    // red; 32: blue, green, red and a fourth byte). False refuses the picture.
    virtual bool begin(int32_t width, int32_t height, int32_t bitsPerPixel) = 0;
    // The memory of picture row y (0 = top) after a successful begin.
    virtual uint8_t* row(int32_t y) = 0;
};

// A JPEG (baseline or progressive) or GIF (first image) held in bytes, as
// 24 bits at its pixel size; transparent pixels come out white. False for
// data the loader cannot decode.
bool decodePicture(const uint8_t* bytes, size_t size, PictureSink& sink);

// A BMP file through the system's bitmap loader: 32-bit files as 32 bits,
// every other depth as 24 bits. False when the file cannot be read.
bool loadBitmapFile(const char* path, PictureSink& sink);

}  // namespace platform
