// The one in-memory picture: a plain pixel buffer laid out as a Windows
// bottom-up DIB (first row in memory is the picture's bottom row, pixels blue,
// green, red, rows padded to 4 bytes), so every codec and the system painting
// calls can use the same memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/byte_buffer.h"

class RasterImage {
public:
    // The largest width and height accepted, and the largest pixel block
    // (13000 × 13000 at 24 bits fits): a picture file cannot make the program
    // claim more memory than that, whatever size its header states.
    static constexpr int32_t maxSide = 32767;
    static constexpr uint32_t maxBytes = 512u * 1024 * 1024;

    RasterImage() = default;
    RasterImage(const RasterImage&) = delete;
    RasterImage& operator=(const RasterImage&) = delete;

    // A fresh 24-bit picture (content unspecified). Releases the old one first;
    // false, with the image empty, for a size outside 1 … maxSide, a block
    // above maxBytes, or when the memory cannot be had.
    bool create(int32_t width, int32_t height) { return create(width, height, 24); }
    // The same with 24 or 32 bits per pixel (32 only holds a BMP just loaded).
    bool create(int32_t width, int32_t height, int32_t bitsPerPixel);
    void release();
    // Whether create would accept this size and depth (memory aside); the
    // pixel block's length goes to bytes.
    static bool sizeAllowed(int32_t width, int32_t height, int32_t bitsPerPixel, uint32_t& bytes);

    bool isEmpty() const { return pixels_.empty(); }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t bytesPerPixel() const { return bytesPerPixel_; }
    int32_t stride() const { return stride_; }
    uint8_t* bits() { return pixels_.data(); }
    const uint8_t* bits() const { return pixels_.data(); }

    // The pixel (x, y), y counted from the top; null outside the picture.
    uint8_t* pixelAddress(int32_t x, int32_t y);
    const uint8_t* pixelAddress(int32_t x, int32_t y) const;

    // Copies the whole picture onto the whole of target (which keeps its own
    // size and depth), nearest neighbour: rows and columns that a reduction
    // eliminates are dropped, none are blended. Nothing when either is empty.
    void stretchTo(RasterImage& target) const;
    // Brings the picture to 24 bits; true when it already was or now is.
    bool convertTo24Bits();

    // Each load releases the held picture first and leaves the image empty on
    // failure. loadBmp keeps the file's depth (24 or 32 bits); the others
    // always give 24 bits.
    bool loadBmp(const char* path);
    bool loadPng(const char* path);
    // JPEG and GIF through the system picture loader; transparent parts white.
    bool loadOlePicture(const char* path);
    // Picks the loader from the first 10 bytes of the file; 24 bits.
    bool loadAny(const char* path);

    // The colour census: the distinct colours as 0x00RRGGBB in the order met
    // (memory order: bottom row first, left to right). count is 1 … 256, or 0
    // when there are more than 256 (palette then untouched); a non-null palette
    // receives all 256 entries, unused ones zero. False for a picture that is
    // not 24 bits (count untouched).
    bool countColours(uint32_t* palette, int& count) const { return countColours(palette, count, nullptr, 0); }
    // The same census, and when indices is not null each pixel's position in
    // it, one byte a pixel, in rows top first, indexStride bytes apart (a
    // census stopped past 256 colours leaves them partly written).
    bool countColours(uint32_t* palette, int& count, uint8_t* indices, size_t indexStride) const;

    // What draw paints: the destination rectangle and the source column and
    // row (counted from the bottom, as the DIB painting call wants it).
    struct DrawArea {
        int32_t x, y, width, height, sourceX, sourceRow;
        bool empty;
    };
    // The clipping of a paint of the w × h rectangle at (srcX, srcY) (picture
    // coordinates, y downwards) to (x, y): w 0 means the width, h 0 the height.
    DrawArea drawArea(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY) const;

private:
    ByteBuffer pixels_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bytesPerPixel_ = 0;
    int32_t stride_ = 0;
};
