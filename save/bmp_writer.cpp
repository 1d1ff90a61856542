#include "save/bmp_writer.h"

#include "app/file_handle.h"

namespace {

constexpr uint32_t headersLength = 14 + 40;
// Resolution fields, in pixels per metre, as this program has always written them.
constexpr uint32_t resolution = 96;

void put16(uint8_t*& p, uint32_t v) {
    *p++ = static_cast<uint8_t>(v);
    *p++ = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t*& p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p, v >> 16);
}

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
    put32(p, headersLength + pixelBytes);
    put16(p, 0);
    put16(p, 0);
    put32(p, headersLength);
    put32(p, 40);
    put32(p, static_cast<uint32_t>(image.width()));
    put32(p, static_cast<uint32_t>(image.height()));
    put16(p, 1);
    put16(p, static_cast<uint32_t>(image.bytesPerPixel()) * 8);
    put32(p, 0);
    put32(p, 0);
    put32(p, resolution);
    put32(p, resolution);
    put32(p, 0);
    put32(p, 0);
    FileHandle file;
    if (!file.createWrite(path)) return false;
    bool ok = file.write(headers, headersLength) == headersLength &&
              file.write(image.bits(), pixelBytes) == pixelBytes;
    ok = file.close() && ok;
    if (!ok) platform::deleteFile(path);
    return ok;
}
