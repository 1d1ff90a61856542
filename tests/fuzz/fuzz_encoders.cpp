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
    // The low bits of the third byte pick how many colours the picture draws from.
    const uint32_t mask = data[2] & 0x80 ? 0xFFFFFF : 0x030303;
    RasterImage image;
    require(image.create(width, height));
    size_t at = 3;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.pixelAddress(x, y);
            for (int c = 0; c < 3; ++c, ++at) p[c] = static_cast<uint8_t>(at < size ? data[at] : at * 7);
            p[0] = static_cast<uint8_t>(p[0] & mask);
            p[1] = static_cast<uint8_t>(p[1] & mask >> 8);
            p[2] = static_cast<uint8_t>(p[2] & mask >> 16);
        }
    static const std::string base = fuzzPath("");
    RasterImage back;
    require(savePng(image, (base + ".png").c_str(), -1));
    require(back.loadPng((base + ".png").c_str()) && samePixels(image, back));
    int count = 0;
    require(image.countColours(nullptr, count));
    if (count) {
        require(saveGif(image, (base + ".gif").c_str(), -1));
        require(back.loadAny((base + ".gif").c_str()) && samePixels(image, back));
    }
    require(writeBmp(image, (base + ".bmp").c_str()));
    require(back.loadAny((base + ".bmp").c_str()) && samePixels(image, back));
    return 0;
}
