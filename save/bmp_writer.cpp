#include "save/bmp_writer.h"

#include "app/file_handle.h"
#include "platform/byte_order.h"

namespace {

constexpr uint32_t headersLength = 14 + 40;
// Resolution fields, in pixels per metre, as this program has always written them.
constexpr uint32_t resolution = 96;

}  // namespace

bool writeBmp(const RasterImage& image, const char* path) {
    if (image.isEmpty() || image.bytesPerPixel() != 3) return false;
    // RasterImage keeps stride × height within 32 bits.
    const uint32_t pixelBytes = static_cast<uint32_t>(image.stride()) * static_cast<uint32_t>(image.height());
    if (pixelBytes > UINT32_MAX - headersLength) return false;
    uint8_t headers[headersLength];
    uint8_t* p = headers;
    *p++ = 'B';
    *p++ = 'M';
    bytes::putLittle32(p, headersLength + pixelBytes);
    bytes::putLittle16(p, 0);
    bytes::putLittle16(p, 0);
    bytes::putLittle32(p, headersLength);
    bytes::putLittle32(p, 40);
    bytes::putLittle32(p, static_cast<uint32_t>(image.width()));
    bytes::putLittle32(p, static_cast<uint32_t>(image.height()));
    bytes::putLittle16(p, 1);
    bytes::putLittle16(p, static_cast<uint32_t>(image.bytesPerPixel()) * 8);
    bytes::putLittle32(p, 0);
    bytes::putLittle32(p, 0);
    bytes::putLittle32(p, resolution);
    bytes::putLittle32(p, resolution);
    bytes::putLittle32(p, 0);
    bytes::putLittle32(p, 0);
    FileHandle file;
    if (!file.createWrite(path)) return false;
    bool ok = file.write(headers, headersLength) == headersLength &&
              file.write(image.bits(), pixelBytes) == pixelBytes;
    ok = file.close() && ok;
    if (!ok) platform::deleteFile(path);
    return ok;
}
