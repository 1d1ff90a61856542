#include "image/header_probe.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/temp_folder.h"
#include "tests/unit/image/pictures.h"

using pictures::bytes;

namespace {

std::string jfif() {
    return bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}) + std::string("JFIF\0", 5) + bytes({1, 1, 0, 0, 1, 0, 1, 0, 0});
}

std::string segment(int code, const std::string& body) {
    const size_t n = body.size() + 2;
    return bytes({0xFF, code, static_cast<int>(n >> 8), static_cast<int>(n & 255)}) + body;
}

std::string frame(int code, int w, int h) {
    return segment(code, bytes({8, h >> 8, h & 255, w >> 8, w & 255, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
}

}  // namespace

// Each row: what the file is, the file, the verdict and the size found (-1:
// left as it was). The loader test probes the real files that ImageMagick writes.
TEST(HeaderProbe, CraftedFiles) {
    TempFolder folder;
    const std::string quant = segment(0xDB, std::string(65, '\1'));
    const std::string png = bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13}) + "IHDR" +
                            bytes({0, 0, 2, 0x80, 0, 0, 1, 0xE0, 8, 2, 0, 0, 0});
    std::string exif = bytes({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10}) + std::string("Exif\0\0", 6) + std::string(10, '\0');
    const std::tuple<const char*, std::string, bool, int32_t, int32_t> cases[] = {
        {"JPEG frame after other segments", jfif() + segment(0xFE, "a comment") + quant + frame(0xC0, 640, 480) + "rest", true, 640, 480},
        {"progressive JPEG", jfif() + quant + frame(0xC2, 3, 65535), true, 3, 65535},
        {"extended sequential only", jfif() + frame(0xC1, 10, 10), true, -1, -1},
        {"end of image first", jfif() + segment(0xFE, "x") + bytes({0xFF, 0xD9}) + frame(0xC0, 10, 10), true, -1, -1},
        {"nothing after JFIF", jfif(), true, -1, -1},
        {"segment length 1", jfif() + bytes({0xFF, 0xFE, 0x00, 0x01}) + frame(0xC0, 10, 10), true, -1, -1},
        {"segment length 0", jfif() + bytes({0xFF, 0xFE, 0x00, 0x00}), true, -1, -1},
        {"cut in the marker", jfif() + segment(0xFE, "x") + bytes({0xFF, 0xC0, 0x00}), true, -1, -1},
        {"cut in the frame", jfif() + bytes({0xFF, 0xC0, 0x00, 0x11, 8, 1}), true, -1, -1},
        {"segment past the end", jfif() + bytes({0xFF, 0xFE, 0xFF, 0xFF}), true, -1, -1},
        {"Exif instead of JFIF", exif + frame(0xC0, 4, 4), false, -1, -1},
        {"APP0 of another length", jfif().replace(5, 1, 1, 0x11) + frame(0xC0, 4, 4), false, -1, -1},
        {"top-down BMP", "BM" + std::string(16, '\0') + bytes({0x80, 0x02, 0, 0, 0x20, 0xFE, 0xFF, 0xFF}) + std::string(28, '\0'), true, 640, -480},
        {"BMP too short for its fields", "BM" + std::string(10, '\0'), true, -1, -1},
        {"PNG", png, true, 640, 480},
        {"PNG signature changed", png.substr(0, 6) + '\0' + png.substr(7), false, -1, -1},
        {"GIF87a", "GIF87a" + bytes({0x2C, 0x01, 0x07, 0x00, 0xF0, 0, 0}), true, 300, 7},
        {"GIF of another version", "GIFxyz" + bytes({0x2C, 0x01, 0x07, 0x00, 0xF0, 0, 0}), true, 300, 7},
        {"empty", "", false, -1, -1},
        {"short GIF", "GIF89", false, -1, -1},
        {"text", "hello, world", false, -1, -1},
    };
    for (const auto& [what, file, result, width, height] : cases) {
        folder.write("probe.bin", file);
        int32_t w = -1, h = -1;
        EXPECT_EQ(probeImageSize("probe.bin", w, h), result) << what;
        EXPECT_EQ(std::pair(w, h), std::pair(width, height)) << what;
    }
    int32_t w = -1, h = -1;
    EXPECT_FALSE(probeImageSize("missing.png", w, h));
}
