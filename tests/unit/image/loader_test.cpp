// The picture loaders behind loadAny: the system's own on Windows (under
// Wine), the stand-ins natively, on the same files and expectations.
#include "image/raster_image.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "image/header_probe.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/pictures.h"

namespace {

std::string fixture(const std::string& name) {
#ifdef _WIN32
    return "Z:" + std::string(FIXTURE_DIR) + "/" + name;
#else
    return std::string(FIXTURE_DIR) + "/" + name;
#endif
}

}  // namespace

// Each form made by ImageMagick loads to ImageMagick's own pixels, and the
// header probe reads its size. Lossless forms match exactly; JPEG decoders may
// round their own way (the files are stored without chroma subsampling, whose
// upsampling differs between decoders), so those are held to a small mean
// and largest difference.
TEST(LoadAny, FilesMadeByImageMagick) {
    const std::pair<const char*, bool> cases[] = {
        {"palette8.bmp", true}, {"palette4.bmp", true},    {"mono.bmp", true},         {"rle8.bmp", true},
        {"rgb24.bmp", true},    {"rgb32.bmp", true},       {"transparent.gif", true},  {"plain87.gif", true},
        {"interlaced.gif", true}, {"palette.png", true},   {"progressive.jpg", false}, {"baseline.jpg", false}};
    for (const auto& [name, exact] : cases) {
        RasterImage image;
        ASSERT_TRUE(image.loadAny(fixture(name).c_str())) << name;
        ASSERT_EQ(image.bytesPerPixel(), 3);
        ASSERT_TRUE(image.width() == 13 && image.height() == 7) << name;
        const std::string ours = pictures::rgbOf(image), theirs = pictures::readFile(fixture(name) + ".rgb");
        ASSERT_EQ(theirs.size(), ours.size()) << name;
        int worst = 0, sum = 0;
        for (size_t i = 0; i < ours.size(); ++i) {
            const int d = std::abs(static_cast<uint8_t>(ours[i]) - static_cast<uint8_t>(theirs[i]));
            worst = std::max(worst, d);
            sum += d;
        }
        EXPECT_LE(worst, exact ? 0 : 48) << name;
        EXPECT_LE(sum, exact ? 0 : 3 * static_cast<int>(ours.size())) << name;
        int32_t w = -1, h = -1;
        EXPECT_TRUE(probeImageSize(fixture(name).c_str(), w, h) && w == 13 && h == 7) << name;
    }
}

// The first bytes pick the loader: files that only begin like a picture, or
// like none, are refused and leave the image empty.
TEST(LoadAny, RefusesWhatIsNotAPicture) {
    TempFolder folder;
    const std::string bmp = pictures::readFile(fixture("rgb24.bmp"));
    const std::string refused[] = {
        "",
        "BM",
        "GIF89a\1\0",
        "hello world, not a picture",
        std::string("\x89PNG\r\n\x1a\x0b", 8) + bmp,
        std::string("\xff\xd8\xff\xe1\x00\x10JFIF\0", 11) + bmp,
        std::string("\xff\xd8\xff\xe0\x00\x11JFIF\0", 11) + bmp,
        "BM" + std::string(60, '\0'),
        "GIF89a" + std::string(40, '\x01'),
        std::string("\xff\xd8\xff\xe0\x00\x10JFIF\0", 11) + std::string(40, '\0'),
    };
    RasterImage image;
    for (const std::string& bytes : refused) {
        ASSERT_TRUE(image.create(2, 2));
        folder.write("x.bin", bytes);
        EXPECT_FALSE(image.loadAny("x.bin")) << bytes.size();
        EXPECT_TRUE(image.isEmpty());
    }
    EXPECT_FALSE(image.loadAny("missing.png"));
}

#ifndef _WIN32
// 16-bit BMPs: the bit-field files ImageMagick writes (5-6-5 and 5-5-5 masks
// in a version 5 header) and the same pixels behind a 40-byte header, with
// the 5-6-5 masks after it or with none (5-5-5 implied); rows carry padding.
// Each channel is widened by repeating its bits, from the field values
// ImageMagick decodes (it rounds v × 255 / (2^b − 1)).
TEST(LoadBmp, SixteenBits) {
    TempFolder folder;
    const auto le32 = [](size_t v) { return pictures::bytes({int(v & 255), int(v >> 8 & 255), int(v >> 16 & 255), int(v >> 24)}); };
    for (const char* name : {"rgb565.bmp", "rgb555.bmp"}) {
        const std::string v5 = pictures::readFile(fixture(name)), decoded = pictures::readFile(fixture(name) + ".rgb");
        ASSERT_TRUE(v5.size() > 34 && pictures::littleEndian(v5, 28, 2) == 16 && pictures::littleEndian(v5, 30, 4) == 3) << name;
        const bool green6 = name[4] == '6';
        std::string expected = decoded;
        for (size_t i = 0; i < expected.size(); ++i) {
            const int bits = i % 3 == 1 && green6 ? 6 : 5, top = (1 << bits) - 1;
            const int v = (static_cast<uint8_t>(decoded[i]) * top + 127) / 255;
            expected[i] = static_cast<char>(v << (8 - bits) | v >> (2 * bits - 8));
        }
        const size_t offset = green6 ? 66 : 54;
        std::string shortHeader = v5.substr(0, offset) + v5.substr(pictures::littleEndian(v5, 10, 4));
        shortHeader.replace(2, 4, le32(shortHeader.size()));
        shortHeader.replace(10, 8, le32(offset) + le32(40));
        if (!green6) shortHeader.replace(30, 4, le32(0));
        folder.write("short.bmp", shortHeader);
        for (const std::string& path : {fixture(name), folder.file("short.bmp")}) {
            RasterImage image;
            ASSERT_TRUE(image.loadAny(path.c_str())) << path;
            ASSERT_TRUE(image.width() == 13 && image.height() == 7) << path;
            EXPECT_EQ(pictures::rgbOf(image), expected) << path;
        }
        EXPECT_EQ(oracle::magickRgb(folder.file("short.bmp")), decoded) << name;
    }
}
#endif
