// The picture loaders behind loadAny: the system's own on Windows (under
// Wine), the stand-ins natively, on the same files and expectations.
#include "image/raster_image.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "image/jpeg_writer.h"
#include "save/bmp_writer.h"
#include "save/picture_files.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/pictures.h"

namespace {

std::string fixture(const std::string& name) {
#ifdef _WIN32
    return "Z:" + std::string(FIXTURE_DIR) + "/" + name;
#else
    return std::string(FIXTURE_DIR) + "/" + name;
#endif
}

// The largest difference of one channel between two pixel strings.
int worstDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i])));
    return worst;
}

// The mean difference of one channel.
double meanDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty()) return 256;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(static_cast<uint8_t>(a[i]) - static_cast<uint8_t>(b[i]));
    return sum / static_cast<double>(a.size());
}

}  // namespace

TEST(LoadAnyFixtures, EveryFormMadeByImageMagick) {
    // Lossless forms must match exactly; JPEG decoders may round their own way,
    // so those (stored without chroma subsampling, whose upsampling differs
    // between decoders) are held to a small mean difference.
    struct Case {
        const char* name;
        int tolerance;
    };
    const Case cases[] = {{"palette8.bmp", 0}, {"palette4.bmp", 0},  {"mono.bmp", 0},          {"rle8.bmp", 0},
                          {"rgb24.bmp", 0},    {"rgb32.bmp", 0},        {"transparent.gif", 0},
                          {"plain87.gif", 0},  {"interlaced.gif", 0}, {"progressive.jpg", -1}, {"baseline.jpg", -1}};
    for (const Case& c : cases) {
        RasterImage image;
        ASSERT_TRUE(image.loadAny(fixture(c.name).c_str())) << c.name;
        EXPECT_EQ(image.bytesPerPixel(), 3);
        EXPECT_EQ(image.width(), 13) << c.name;
        EXPECT_EQ(image.height(), 7) << c.name;
        std::string expected = pictures::readFile(std::string(FIXTURE_DIR) + "/" + c.name + ".rgb");
        ASSERT_EQ(expected.size(), 13u * 7u * 3u) << c.name;
        if (c.tolerance < 0) {
            EXPECT_LE(meanDifference(pictures::rgbOf(image), expected), 3.0) << c.name;
            EXPECT_LE(worstDifference(pictures::rgbOf(image), expected), 48) << c.name;
        } else {
            EXPECT_LE(worstDifference(pictures::rgbOf(image), expected), c.tolerance) << c.name;
        }
    }
}

TEST(LoadBmp, KeepsThirtyTwoBitsUntilConverted) {
    RasterImage image;
    ASSERT_TRUE(image.loadBmp(fixture("rgb32.bmp").c_str()));
    EXPECT_EQ(image.bytesPerPixel(), 4);
    ASSERT_TRUE(image.convertTo24Bits());
    EXPECT_EQ(pictures::rgbOf(image), pictures::readFile(std::string(FIXTURE_DIR) + "/rgb32.bmp.rgb"));
    ASSERT_TRUE(image.loadBmp(fixture("palette8.bmp").c_str()));
    EXPECT_EQ(image.bytesPerPixel(), 3);
}

TEST(LoadAnyOwnFiles, BmpAndGifExactJpegClose) {
    TempFolder folder;
    RasterImage source;
    ASSERT_TRUE(pictures::makePattern(source, 19, 11));
    ASSERT_TRUE(writeBmp(source, "a.bmp"));
    RasterImage image;
    ASSERT_TRUE(image.loadAny("a.bmp"));
    EXPECT_EQ(pictures::rgbOf(image), pictures::rgbOf(source));

    RasterImage few;
    ASSERT_TRUE(pictures::makeColours(few, 9, 5, 6));
    const uint8_t* corner = few.pixelAddress(0, 0);
    const int32_t user = corner[2] | corner[1] << 8 | corner[0] << 16;
    ASSERT_TRUE(saveGif(few, "t.gif", user));
    ASSERT_TRUE(image.loadAny("t.gif"));
    // Every pixel of the transparent colour comes out white, the rest as they were.
    std::string expected = pictures::rgbOf(few), cornerRgb = expected.substr(0, 3);
    for (size_t i = 0; i < expected.size(); i += 3)
        if (expected.substr(i, 3) == cornerRgb) expected.replace(i, 3, "\xff\xff\xff");
    EXPECT_EQ(pictures::rgbOf(image), expected);

    RasterImage smooth;
    ASSERT_TRUE(smooth.create(24, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) pictures::setPixel(smooth, x, y, static_cast<uint8_t>(x * 10), static_cast<uint8_t>(y * 15), 200);
    for (bool progressive : {false, true}) {
        ASSERT_TRUE(writeJpeg(smooth, "s.jpg", 95, progressive));
        ASSERT_TRUE(image.loadOlePicture("s.jpg"));
        ASSERT_EQ(image.width(), 24);
        EXPECT_LE(worstDifference(pictures::rgbOf(image), pictures::rgbOf(smooth)), 12);
        ASSERT_TRUE(image.loadAny("s.jpg"));
    }
}

TEST(LoadAnyRefuses, ShortUnknownAndNonJfifFiles) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makePattern(image, 3, 3));
    ASSERT_TRUE(writeBmp(image, "ok.bmp"));
    std::string bmp = folder.read("ok.bmp");
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
    for (const std::string& bytes : refused) {
        ASSERT_TRUE(image.create(2, 2));
        folder.write("x.bin", bytes);
        EXPECT_FALSE(image.loadAny("x.bin")) << bytes.size();
        EXPECT_TRUE(image.isEmpty());
    }
    EXPECT_FALSE(image.loadAny("missing.png"));
    EXPECT_FALSE(image.loadOlePicture("missing.jpg"));
    EXPECT_FALSE(image.loadBmp("missing.bmp"));
}
