// Animated PNG writing, a frame at a time: 8-bit red, green, blue, looping
// forever. The first frame is the picture's own image data (IDAT), so a
// viewer without animation shows it; each later frame (fdAT) holds only the
// rectangle in which it differs from the frame before and is laid over it
// (dispose "none", blend "source").
//
//     ApngWriter apng;
//     apng.open(path, width, height, frameCount);
//     for (each frame) apng.addFrame(frame, 1, 10);  // a tenth of a second
//     apng.close();
#pragma once

#include <cstdint>

#include "app/byte_buffer.h"
#include "image/frame_writing.h"
#include "image/raster_image.h"

class ApngWriter {
public:
    ApngWriter() = default;
    ApngWriter(const ApngWriter&) = delete;
    ApngWriter& operator=(const ApngWriter&) = delete;

    // Creates path and writes the signature, the header and the animation
    // control for frameCount frames (which close will hold to). False for a
    // size outside 1 … RasterImage::maxSide, no frames, or when the file
    // cannot be written; no file is left then. A file still open is dropped
    // first.
    bool open(const char* path, int32_t width, int32_t height, uint32_t frameCount);
    // Writes a frame shown for delayNumerator / delayDenominator seconds (a
    // denominator of 0 means 100). False when nothing is open, the frame is
    // not 24 bits of the size opened, all frames were already added, memory
    // is short or a write fails; the file is then removed and every later
    // call fails.
    bool addFrame(const RasterImage& frame, uint16_t delayNumerator, uint16_t delayDenominator);
    // Writes the end chunk and closes the file. False when nothing is open,
    // the frames added are not the count given to open, or a write fails; the
    // file is then removed. A writer destroyed before close removes its file
    // too.
    bool close();

private:
    bool fail();
    bool writeFrameData(const RasterImage& frame, const FrameArea& area);

    PendingFile file_;
    ByteBuffer previous_;
    ByteBuffer scanlines_;
    ByteBuffer rows_;  // the area's row in red, green, blue and the row above it
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint32_t frameCount_ = 0;
    uint32_t frames_ = 0;
    uint32_t sequence_ = 0;
};
