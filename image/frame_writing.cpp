#include "image/frame_writing.h"

#include <cstring>

namespace {

// The first and last byte positions at which two rows of n bytes differ;
// false when they are equal.
bool rowDifference(const uint8_t* a, const uint8_t* b, uint32_t n, uint32_t& first, uint32_t& last) {
    if (std::memcmp(a, b, n) == 0) return false;
    first = 0;
    while (a[first] == b[first]) ++first;
    last = n - 1;
    while (a[last] == b[last]) --last;
    return true;
}

}  // namespace

FrameArea changedArea(const uint8_t* before, const uint8_t* after, ptrdiff_t rowStep, uint32_t width, uint32_t height,
                      uint32_t pixelBytes) {
    const uint32_t rowBytes = width * pixelBytes;
    uint32_t top = height, bottom = 0, left = rowBytes, right = 0;
    for (uint32_t y = 0; y < height; ++y) {
        const ptrdiff_t offset = static_cast<ptrdiff_t>(y) * rowStep;
        uint32_t first, last;
        if (!rowDifference(before + offset, after + offset, rowBytes, first, last)) continue;
        if (top == height) top = y;
        bottom = y;
        if (first < left) left = first;
        if (last > right) right = last;
    }
    if (top == height) return {0, 0, 1, 1};
    left /= pixelBytes;
    right /= pixelBytes;
    return {left, top, right - left + 1, bottom - top + 1};
}

bool PendingFile::create(const char* path) {
    discard();
    path_.assign(path);
    ok_ = file_.createWrite(path);
    return ok_;
}

bool PendingFile::write(const void* data, size_t n) {
    const uint8_t* from = static_cast<const uint8_t*>(data);
    while (ok_ && n > 0) {
        const uint32_t part = n > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(n);
        ok_ = file_.write(from, part) == part;
        from += part;
        n -= part;
    }
    return ok_;
}

bool PendingFile::finish() {
    if (!file_.isOpen()) return false;
    const bool kept = file_.close() && ok_;
    if (!kept) platform::deleteFile(path_.text());
    ok_ = false;
    return kept;
}

void PendingFile::discard() {
    if (!file_.isOpen()) return;
    ok_ = false;
    finish();
}
