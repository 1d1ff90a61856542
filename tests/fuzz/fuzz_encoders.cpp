// Round trips through the encoders: a small picture made from the input is
// written as PNG, GIF (when it has at most 256 colours) and BMP, and each file
// must load back to exactly the same pixels.
#include <cstring>
#include <string>

#include "save/bmp_writer.h"
#include "save/picture_files.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

bool samePixels(const RasterImage& a, const RasterImage& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (int32_t y = 0; y < a.height(); ++y)
        if (std::memcmp(a.pixelAddress(0, y), b.pixelAddress(0, y), static_cast<size_t>(a.width()) * 3) != 0)
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int32_t width = 1 + data[0] % 64, height = 1 + data[1] % 64;
    // The high bit of the third byte picks how many colours the picture draws from.
    const uint8_t mask = data[2] & 0x80 ? 0xFF : 0x03;
    RasterImage image;
    require(image.create(width, height));
    size_t at = 3;
    for (int32_t y = 0; y < height; ++y)
        for (uint8_t *p = image.pixelAddress(0, y), *end = p + width * 3; p < end; ++p, ++at)
            *p = static_cast<uint8_t>((at < size ? data[at] : at * 7) & mask);
    static const std::string png = fuzzPath(".png"), gif = fuzzPath(".gif"), bmp = fuzzPath(".bmp");
    RasterImage back;
    require(savePng(image, png.c_str(), -1) && back.loadPng(png.c_str()) && samePixels(image, back));
    int count = 0;  // 0 past 256 colours
    require(image.countColours(nullptr, count));
    if (count) require(saveGif(image, gif.c_str(), -1) && back.loadAny(gif.c_str()) && samePixels(image, back));
    require(writeBmp(image, bmp.c_str()) && back.loadAny(bmp.c_str()) && samePixels(image, back));
    return 0;
}
