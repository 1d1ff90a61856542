// The picture loaders behind loadAny: the system's own on Windows (under
// Wine), the stand-ins natively, on the same files and expectations.
#include "image/raster_image.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "image/jpeg_writer.h"
#include "save/bmp_writer.h"
#include "save/picture_files.h"
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

#ifndef _WIN32
// The reader of our own widens 16-bit channels by repeating their bits; the
// system loader under Wine rounds some channels its own way, so these
// pictures are checked natively only.
// A channel of b bits widened to 8 by repeating its bits.
int widen(int v, int b) { return v << (8 - b) | v >> (2 * b - 8); }

// ImageMagick's 8-bit decode of b-bit channels rounds v × 255 / (2^b − 1);
// the field values it stood for, widened by repetition.
std::string widenedFromMagick(const std::string& rgb, const int bits[3]) {
    std::string out = rgb;
    for (size_t i = 0; i < out.size(); ++i) {
        const int b = bits[i % 3], top = (1 << b) - 1;
        const int v = (static_cast<uint8_t>(rgb[i]) * top + 127) / 255;
        out[i] = static_cast<char>(widen(v, b));
    }
    return out;
}

// The channel values of pixel (x, y) of the hand-made 16-bit pictures: every
// value of each channel occurs.
void sixteenBitChannels(int x, int y, bool wideGreen, int& r, int& g, int& b) {
    r = x % 32;
    g = wideGreen ? (2 * x + 13 * y) % 64 : (x + 11 * y) % 32;
    b = (31 - x % 32 + 5 * y) % 32;
}

// A 16-bit BMP with a 40-byte info header: compression 0 (five bits a
// channel implied) or bit fields 5-6-5 with the three masks after the header.
std::string sixteenBitBmp(int width, int height, bool bitFields) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 2 + 3) / 4 * 4;
    const uint32_t offset = 14 + 40 + (bitFields ? 12 : 0), size = offset + stride * static_cast<uint32_t>(height);
    std::string f;
    auto put = [&f](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) f += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    f += "BM";
    put(size, 4);
    put(0, 4);
    put(offset, 4);
    put(40, 4);
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(height), 4);
    put(1, 2);
    put(16, 2);
    put(bitFields ? 3 : 0, 4);
    put(stride * static_cast<uint32_t>(height), 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    if (bitFields) {
        put(0xF800, 4);
        put(0x07E0, 4);
        put(0x001F, 4);
    }
    for (int row = height - 1; row >= 0; --row) {
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            sixteenBitChannels(x, row, bitFields, r, g, b);
            put(bitFields ? static_cast<uint32_t>(r << 11 | g << 5 | b) : static_cast<uint32_t>(r << 10 | g << 5 | b), 2);
        }
        put(0, static_cast<int>(stride) - width * 2);
    }
    return f;
}
#endif

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

#ifndef _WIN32
// 16-bit pictures with bit fields as ImageMagick writes them (5-6-5 and
// 5-5-5 masks in a version 5 header), each channel widened by repeating its
// bits; ImageMagick's own decode gives the field values.
TEST(LoadBmpSixteenBits, BitFieldFilesMadeByImageMagick) {
    const int bits565[3] = {5, 6, 5}, bits555[3] = {5, 5, 5};
    const struct {
        const char* name;
        const int* bits;
    } cases[] = {{"rgb565.bmp", bits565}, {"rgb555.bmp", bits555}};
    for (const auto& c : cases) {
        const std::string file = pictures::readFile(std::string(FIXTURE_DIR) + "/" + c.name);
        ASSERT_GT(file.size(), 34u) << c.name;
        ASSERT_EQ(pictures::littleEndian(file, 28, 2), 16u) << c.name;
        ASSERT_EQ(pictures::littleEndian(file, 30, 4), 3u) << c.name;
        RasterImage image;
        ASSERT_TRUE(image.loadAny(fixture(c.name).c_str())) << c.name;
        ASSERT_EQ(image.width(), 13) << c.name;
        ASSERT_EQ(image.height(), 7) << c.name;
        const std::string expected =
            widenedFromMagick(pictures::readFile(std::string(FIXTURE_DIR) + "/" + c.name + ".rgb"), c.bits);
        EXPECT_EQ(pictures::rgbOf(image), expected) << c.name;
    }
}

// Hand-made 16-bit files with a 40-byte header, without bit fields (5-5-5)
// and with 5-6-5 masks after the header, an odd width so that rows carry
// padding: every pixel exact, and ImageMagick reads the same field values.
TEST(LoadBmpSixteenBits, PlainAndBitFieldsAfterTheShortHeader) {
    TempFolder folder;
    const int width = 33, height = 4;
    for (bool bitFields : {false, true}) {
        const std::string name = bitFields ? "fields565.bmp" : "plain555.bmp";
        folder.write(name, sixteenBitBmp(width, height, bitFields));
        std::string expected;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                int r, g, b;
                sixteenBitChannels(x, y, bitFields, r, g, b);
                expected += static_cast<char>(widen(r, 5));
                expected += static_cast<char>(widen(g, bitFields ? 6 : 5));
                expected += static_cast<char>(widen(b, 5));
            }
        RasterImage image;
        ASSERT_TRUE(image.loadBmp(name.c_str())) << name;
        ASSERT_TRUE(image.convertTo24Bits());
        ASSERT_EQ(image.width(), width);
        ASSERT_EQ(image.height(), height);
        EXPECT_EQ(pictures::rgbOf(image), expected) << name;
        const int bits[3] = {5, bitFields ? 6 : 5, 5};
        EXPECT_EQ(widenedFromMagick(oracle::magickRgb(folder.file(name)), bits), expected) << name;
    }
}
#endif
