// What the two animation writers share: the file being written, which is kept
// only once it is finished, and the rectangle in which a frame differs from
// the one before.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/file_handle.h"
#include "app/text_buffer.h"

struct FrameArea {
    uint32_t x, y, width, height;  // y counted from the top
};

// The smallest rectangle holding every pixel in which before and after differ:
// width × height pixels of pixelBytes bytes each, the top row first, rowStep
// bytes from one row to the next (negative for a bottom-up picture). A frame
// that does not differ at all gets its top left pixel, so that it is still
// written and its delay kept.
FrameArea changedArea(const uint8_t* before, const uint8_t* after, ptrdiff_t rowStep, uint32_t width, uint32_t height,
                      uint32_t pixelBytes);

// A file written piece by piece that stays only when finished well: a failed
// write, a failed close or a writer gone before finishing removes it.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates (or truncates) path, discarding a file still pending first.
    bool create(const char* path);
    bool isOpen() const { return file_.isOpen(); }
    // Writes n bytes; false once any write has failed (later ones write nothing).
    bool write(const void* data, size_t n);
    // The open file, for a writer that checks its own writes (PngFile).
    FileHandle& handle() { return file_; }
    // Closes the file; false, with the file removed, when a write or the close
    // failed or none was open.
    bool finish();
    // Closes and removes a pending file.
    void discard();

private:
    FileHandle file_;
    TextBuffer path_;
    bool ok_ = false;
};
