#include "image/header_probe.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/pictures.h"

using pictures::bytes;

namespace {

struct Probe {
    bool result;
    int32_t width, height;
};

Probe probe(const TempFolder& folder, const std::string& content) {
    folder.write("probe.bin", content);
    Probe p{false, -1, -1};
    p.result = probeImageSize("probe.bin", p.width, p.height);
    return p;
}

std::string jfif() {
    return bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}) + std::string("JFIF\0", 5) +
           bytes({1, 1, 0, 0, 1, 0, 1, 0, 0});
}

std::string segment(int code, const std::string& body) {
    size_t n = body.size() + 2;
    return bytes({0xFF, code, static_cast<int>(n >> 8), static_cast<int>(n & 255)}) + body;
}

std::string frame(int code, int w, int h) {
    return segment(code, bytes({8, h >> 8, h & 255, w >> 8, w & 255, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
}

}  // namespace

TEST(HeaderProbeJpeg, WalksSegmentsToTheFrame) {
    TempFolder folder;
    std::string quant = segment(0xDB, std::string(65, '\1'));
    Probe p = probe(folder, jfif() + segment(0xFE, "a comment") + quant + frame(0xC0, 640, 480) + "rest");
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    p = probe(folder, jfif() + quant + frame(0xC2, 3, 65535));
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 65535);
}

TEST(HeaderProbeJpeg, NoSizeButTrueForOtherFramesAndBrokenWalks) {
    TempFolder folder;
    const std::string cases[] = {
        jfif() + frame(0xC1, 10, 10),                      // extended sequential only
        jfif() + segment(0xFE, "x") + bytes({0xFF, 0xD9}) + frame(0xC0, 10, 10) ,  // end of image first
        jfif(),                                             // nothing after the JFIF segment
        jfif() + bytes({0xFF, 0xFE, 0x00, 0x01}) + frame(0xC0, 10, 10),  // a length below 2
        jfif() + bytes({0xFF, 0xFE, 0x00, 0x00}),
        jfif() + segment(0xFE, "x") + bytes({0xFF, 0xC0, 0x00}),          // cut in the marker
        jfif() + bytes({0xFF, 0xC0, 0x00, 0x11, 8, 1}),                  // cut in the frame
        jfif() + bytes({0xFF, 0xFE, 0xFF, 0xFF}),                         // a length past the end
    };
    for (const std::string& c : cases) {
        Probe p = probe(folder, c);
        EXPECT_TRUE(p.result);
        EXPECT_EQ(p.width, -1);
        EXPECT_EQ(p.height, -1);
    }
}

TEST(HeaderProbeJpeg, RefusesFilesWithoutTheJfifSegment) {
    TempFolder folder;
    std::string exif = bytes({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x10}) + std::string("Exif\0\0", 6) + std::string(10, '\0') + frame(0xC0, 4, 4);
    EXPECT_FALSE(probe(folder, exif).result);
    std::string longApp0 = jfif();
    longApp0[5] = 0x11;
    EXPECT_FALSE(probe(folder, longApp0 + frame(0xC0, 4, 4)).result);
}

TEST(HeaderProbeOthers, BmpPngGifFields) {
    TempFolder folder;
    std::string bmp = "BM" + std::string(16, '\0') + bytes({0x80, 0x02, 0, 0, 0x20, 0xFE, 0xFF, 0xFF}) + std::string(28, '\0');
    Probe p = probe(folder, bmp);
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, -480);
    std::string png = bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13}) + "IHDR" + bytes({0, 0, 2, 0x80, 0, 0, 1, 0xE0, 8, 2, 0, 0, 0});
    p = probe(folder, png);
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    std::string badPng = png;
    badPng[6] = 0;
    EXPECT_FALSE(probe(folder, badPng).result);
    for (const char* version : {"GIF87a", "GIF89a", "GIFxyz"}) {
        p = probe(folder, std::string(version) + bytes({0x2C, 0x01, 0x07, 0x00, 0xF0, 0, 0}));
        EXPECT_TRUE(p.result);
        EXPECT_EQ(p.width, 300);
        EXPECT_EQ(p.height, 7);
    }
    // A recognised signature in a file too short for its fields: true, sizes kept.
    p = probe(folder, "BM" + std::string(10, '\0'));
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.width, -1);
}

TEST(HeaderProbeOthers, RefusesEmptyShortUnknownAndMissing) {
    TempFolder folder;
    EXPECT_FALSE(probe(folder, "").result);
    EXPECT_FALSE(probe(folder, "GIF89").result);
    EXPECT_FALSE(probe(folder, "hello, world").result);
    int32_t w = -1, h = -1;
    EXPECT_FALSE(probeImageSize("missing.png", w, h));
    EXPECT_EQ(w, -1);
}

#ifndef _WIN32
// Files written by ImageMagick and by cjpeg, wrjpgcom and the top-down BMP.
TEST(HeaderProbeOracle, RealFiles) {
    TempFolder folder;
    ASSERT_EQ(oracle::run("/usr/bin/convert -size 640x480 gradient:red-blue " + folder.file("a.png")), 0);
    ASSERT_EQ(oracle::run("/usr/bin/convert -size 33x17 xc:green GIF87:" + folder.file("a.gif")), 0);
    ASSERT_EQ(oracle::run("/usr/bin/convert -size 41x29 xc:navy BMP3:" + folder.file("b.bmp")), 0);
    ASSERT_EQ(oracle::run("/usr/bin/convert -size 77x55 plasma:fractal -depth 8 " + folder.file("in.ppm")), 0);
    ASSERT_EQ(oracle::run("cjpeg -outfile " + folder.file("base.jpg") + " " + folder.file("in.ppm")), 0);
    ASSERT_EQ(oracle::run("cjpeg -progressive -outfile " + folder.file("prog.jpg") + " " + folder.file("in.ppm")), 0);
    std::string commented;
    ASSERT_EQ(oracle::run("wrjpgcom -comment 'a comment' " + folder.file("base.jpg"), &commented), 0);
    folder.write("com.jpg", commented);
    struct Expect {
        const char* name;
        int32_t w, h;
    };
    const Expect expected[] = {{"a.png", 640, 480}, {"a.gif", 33, 17},    {"b.bmp", 41, 29},
                               {"base.jpg", 77, 55}, {"prog.jpg", 77, 55}, {"com.jpg", 77, 55}};
    for (const Expect& e : expected) {
        int32_t w = -1, h = -1;
        EXPECT_TRUE(probeImageSize(folder.file(e.name).c_str(), w, h)) << e.name;
        EXPECT_EQ(w, e.w) << e.name;
        EXPECT_EQ(h, e.h) << e.name;
    }
    // The same BMP stored top-down: rows reversed, height negated; ImageMagick
    // still reads it, and the probe gives the height as stored.
    std::string bmp = folder.read("b.bmp");
    const size_t offset = pictures::littleEndian(bmp, 10, 4), stride = (41 * 3 + 3) & ~3u;
    ASSERT_EQ(pictures::littleEndian(bmp, 28, 2), 24u);
    std::string top = bmp.substr(0, offset);
    for (int row = 28; row >= 0; --row) top += bmp.substr(offset + static_cast<size_t>(row) * stride, stride);
    top.replace(22, 4, bytes({0xE3, 0xFF, 0xFF, 0xFF}));
    folder.write("t.bmp", top);
    EXPECT_EQ(oracle::magickSize(folder.file("t.bmp")), "41 29");
    int32_t w = -1, h = -1;
    EXPECT_TRUE(probeImageSize(folder.file("t.bmp").c_str(), w, h));
    EXPECT_EQ(w, 41);
    EXPECT_EQ(h, -29);
}
#endif
