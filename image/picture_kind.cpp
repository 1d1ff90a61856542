#include "image/picture_kind.h"

#include <cstring>

namespace {

bool startsWith(const uint8_t* head, const char* bytes, size_t n) { return std::memcmp(head, bytes, n) == 0; }

}  // namespace

PictureKind sniffPicture(const uint8_t* head) {
    if (startsWith(head, "BM", 2)) return PictureKind::bmp;
    if (startsWith(head, "\x89PNG\r\n\x1a\n", 8)) return PictureKind::png;
    if (startsWith(head, "\xff\xd8\xff\xe0\x00\x10JFIF", 10)) return PictureKind::jpeg;
    if (startsWith(head, "GIF", 3)) return PictureKind::gif;
    return PictureKind::unknown;
}
