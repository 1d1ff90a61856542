// GIF writing: a picture of at most 256 colours becomes a GifRaster of palette
// indices, written as a single-image GIF89a with one global colour table, an
// optional transparent colour and variable-width LZW of our own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/byte_buffer.h"
#include "image/raster_image.h"

struct GifRaster {
    ByteBuffer indices;      // width × height palette indices, rows top first
    ByteBuffer paletteData;  // 256 entries of red, green, blue; unused ones black
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t colourCount = 0;  // meaningful palette entries, 1 … 256
};

// Fills gif from a 24-bit source: each pixel's position among the first count
// census colours of palette (0 when absent). False for another depth, a count
// outside 1 … 256, or when a buffer cannot be allocated.
bool prepareGif(const RasterImage& source, GifRaster& gif, const uint32_t* palette, int count);

// Writes gif to path; transparent is a colour 0x00BBGGRR or -1. False, with no
// file left behind, when the compressor's buffers cannot be had, the file
// cannot be created or a write fails.
bool writeGif(const GifRaster& gif, const char* path, int32_t transparent);

// The LZW compressor with a minimum code size of 8: clear code 256, end code
// 257, codes of 9 to 12 bits, a clear when code 4095 would be needed, the
// output packed into data sub-blocks of up to 255 bytes.
class LzwWriter {
public:
    LzwWriter() = default;
    LzwWriter(const LzwWriter&) = delete;
    LzwWriter& operator=(const LzwWriter&) = delete;

    // Compresses count indices (at least one) into the sub-blocks, ending with
    // the zero-length block. False when a buffer cannot be allocated.
    bool compress(const uint8_t* indices, size_t count);
    const uint8_t* data() const { return output_.data(); }
    size_t size() const { return outputSize_; }

private:
    static constexpr uint32_t clearCode = 256;
    static constexpr uint32_t endCode = 257;
    static constexpr uint32_t firstCode = 258;
    static constexpr uint32_t codeLimit = 4095;
    static constexpr uint32_t tableSlots = 8192;
    static constexpr uint32_t emptyEntry = 0xFFFFFFFFu;

    void reset();
    void emit(uint32_t code);
    void putByte(uint8_t byte);
    void writeBlock();
    void finish();

    ByteBuffer table_;
    ByteBuffer output_;
    size_t outputSize_ = 0;
    bool failed_ = false;
    uint32_t nextCode_ = firstCode;
    uint32_t codeWidth_ = 9;
    uint32_t widthLimit_ = 512;
    uint32_t bitBuffer_ = 0;
    uint32_t bitCount_ = 0;
    uint8_t block_[256] = {};
    uint32_t blockFill_ = 0;
    bool closed_ = false;
};
