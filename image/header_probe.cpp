#include "image/header_probe.h"

#include <cstring>

#include "app/file_handle.h"
#include "image/picture_kind.h"
#include "platform/byte_order.h"

namespace {

using bytes::big16;
using bytes::big32;
using bytes::little16;
using bytes::little32;

constexpr int64_t jfifSegmentEnd = 20;
// A bound on the markers walked, whatever the file holds.
constexpr int maxMarkers = 65536;

// Reads n bytes at offset; false when the file does not hold them.
bool readAt(FileHandle& file, int64_t offset, uint8_t* out, uint32_t n) {
    return file.seek(offset, platform::SeekOrigin::begin) == offset && file.read(out, n) == n;
}

// Walks the JPEG segments after the JFIF one to the first baseline or
// progressive frame header.
void probeJpeg(FileHandle& file, int32_t& width, int32_t& height) {
    int64_t at = jfifSegmentEnd;
    for (int step = 0; step < maxMarkers; ++step) {
        uint8_t marker[4];
        if (!readAt(file, at, marker, 4)) return;
        const uint8_t code = marker[1];
        const uint32_t length = big16(marker + 2);
        if (code == 0xC0 || code == 0xC2) {
            uint8_t size[4];
            if (!readAt(file, at + 5, size, 4)) return;
            height = static_cast<int32_t>(big16(size));
            width = static_cast<int32_t>(big16(size + 2));
            return;
        }
        if (code == 0xD9 || length < 2) return;
        at += 2 + static_cast<int64_t>(length);
    }
}

}  // namespace

bool probeImageSize(const char* path, int32_t& width, int32_t& height) {
    FileHandle file;
    if (!file.openRead(path)) return false;
    uint8_t head[pictureSniffLength];
    if (file.read(head, pictureSniffLength) != pictureSniffLength) return false;
    uint8_t field[8];
    switch (sniffPicture(head)) {
    case PictureKind::bmp:
        if (readAt(file, 18, field, 8)) {
            width = static_cast<int32_t>(little32(field));
            height = static_cast<int32_t>(little32(field + 4));
        }
        return true;
    case PictureKind::png:
        if (readAt(file, 16, field, 8)) {
            width = static_cast<int32_t>(big32(field));
            height = static_cast<int32_t>(big32(field + 4));
        }
        return true;
    case PictureKind::jpeg:
        probeJpeg(file, width, height);
        return true;
    case PictureKind::gif:
        width = static_cast<int32_t>(little16(head + 6));
        height = static_cast<int32_t>(little16(head + 8));
        return true;
    case PictureKind::unknown: break;
    }
    return false;
}
