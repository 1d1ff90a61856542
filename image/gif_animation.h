// Animated GIF writing, a frame at a time: GIF89a with one global colour table
// of 256 entries, looping forever (the NETSCAPE2.0 extension). Each frame is
// kept over the one before (disposal "do not dispose") and holds only the
// rectangle in which its palette indices differ from the previous frame's.
//
//     GifAnimationWriter gif;
//     gif.open(path, width, height, palette, count);
//     for (each frame) gif.addFrame(indices, delay);
//     gif.close();
#pragma once

#include <cstdint>

#include "app/byte_buffer.h"
#include "image/frame_writing.h"

class GifAnimationWriter {
public:
    GifAnimationWriter() = default;
    GifAnimationWriter(const GifAnimationWriter&) = delete;
    GifAnimationWriter& operator=(const GifAnimationWriter&) = delete;

    // Creates path and writes the header, the colour table (the first count,
    // 1 … 256, census colours 0x00RRGGBB of palette, the rest black) and the
    // loop. False for a size of 0 or a bad palette, or when the file cannot
    // be written; no file is left then. A file still open is dropped first.
    bool open(const char* path, uint16_t width, uint16_t height, const uint32_t* palette, int count);
    // Writes a frame: indices holds width × height palette positions, rows top
    // first; delay is in 1/100 s (browsers show delays below 2 as 10). The
    // first frame is written whole, each later one as the rectangle that
    // differs from the frame before (its top left pixel when none does). False
    // when nothing is open, indices is too short, memory is short or a write
    // fails; the file is then removed and every later call fails.
    bool addFrame(const ByteBuffer& indices, uint16_t delay);
    // Writes the trailer and closes the file. False when nothing is open, no
    // frame was added or a write fails; the file is then removed. A writer
    // destroyed before close removes its file too.
    bool close();

private:
    bool fail();

    PendingFile file_;
    ByteBuffer previous_;
    ByteBuffer area_;
    uint16_t width_ = 0;
    uint16_t height_ = 0;
    uint32_t frames_ = 0;
};
