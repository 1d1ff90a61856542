// The timelapse frames the built-in painter posts after its record: a header
// ("SKHL", version 1, frame width and height, frame count, drawing time) and
// per frame the rectangle that changed since the frame before, as deflated
// rows of red, green and blue. Read one frame at a time into one picture.
#pragma once

#include <cstdint>

#include "app/byte_buffer.h"
#include "app/file_handle.h"
#include "image/frame_writing.h"
#include "image/raster_image.h"

class TimelapseFrames {
public:
    static constexpr uint16_t largestSide = 2000;
    static constexpr uint16_t largestCount = 999;

    TimelapseFrames() = default;
    TimelapseFrames(const TimelapseFrames&) = delete;
    TimelapseFrames& operator=(const TimelapseFrames&) = delete;
    ~TimelapseFrames();

    // Opens the section at path and checks its header; the picture starts
    // white. False for a file that cannot be read or a header out of bounds.
    bool open(const char* path);
    // Applies the next frame's rectangle onto frame(). False after the last
    // frame, or at one that does not hold together (failed() then tells).
    bool next();
    // Back to before the first frame, the picture white again.
    bool rewind();

    bool failed() const { return failed_; }
    uint16_t width() const { return width_; }
    uint16_t height() const { return height_; }
    uint16_t count() const { return count_; }
    // The frame last read, 24 bits, and its time in the drawing (ms).
    const RasterImage& frame() const { return frame_; }
    uint32_t time() const { return time_; }
    // The rectangle the frame last read changed (width 0: none).
    const FrameArea& changed() const { return changed_; }
    // That rectangle's pixels as sent: red, green, blue, rows top first.
    const uint8_t* changedPixels() const { return rows_.data(); }

private:
    bool fail();
    bool readFrame();
    void paint(const uint8_t* rows);

    FileHandle file_;
    RasterImage frame_;
    ByteBuffer packed_;
    ByteBuffer rows_;
    void* inflater_ = nullptr;
    uint16_t width_ = 0;
    uint16_t height_ = 0;
    uint16_t count_ = 0;
    uint16_t read_ = 0;
    uint32_t time_ = 0;
    FrameArea changed_{};
    bool failed_ = false;
};
