#include "save/bmp_writer.h"
#include "save/picture_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/png_files.h"
#include "tests/unit/image/pictures.h"

using pictures::littleEndian;

TEST(BmpWriter, HeaderFieldsOfASmallPicture) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makePattern(image, 3, 2));
    ASSERT_TRUE(writeBmp(image, "p.bmp"));
    std::string file = folder.read("p.bmp");
    ASSERT_EQ(file.size(), 78u);
    EXPECT_EQ(file.substr(0, 2), "BM");
    // offset, size, value: file size, reserved, pixel offset, header size, width, height, planes, depth,
    // compression, image size, resolutions, colours
    const uint32_t fields[][3] = {{2, 4, 78}, {6, 4, 0},  {10, 4, 54}, {14, 4, 40}, {18, 4, 3},  {22, 4, 2}, {26, 2, 1},
                                  {28, 2, 24}, {30, 4, 0}, {34, 4, 0},  {38, 4, 96}, {42, 4, 96}, {46, 4, 0}, {50, 4, 0}};
    for (const auto& f : fields) EXPECT_EQ(littleEndian(file, f[0], f[1]), f[2]) << "offset " << f[0];
    // The rows exactly as held: bottom row first, padding included.
    EXPECT_EQ(file.substr(54), std::string(reinterpret_cast<const char*>(image.bits()), 24));
    const uint8_t* bottomLeft = image.pixelAddress(0, 1);
    EXPECT_EQ(file.substr(54, 3), std::string(reinterpret_cast<const char*>(bottomLeft), 3));
}

TEST(BmpWriter, RefusesOtherDepthsWithoutAFile) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(image.create(2, 2, 32));
    EXPECT_FALSE(writeBmp(image, "x.bmp"));
    EXPECT_FALSE(folder.exists("x.bmp"));
    RasterImage empty;
    EXPECT_FALSE(writeBmp(empty, "y.bmp"));
    EXPECT_FALSE(folder.exists("y.bmp"));
    ASSERT_TRUE(image.create(2, 2));
    EXPECT_FALSE(writeBmp(image, "no/such/folder.bmp"));
}

TEST(SavePng, PaletteUpTo256ColoursTrueColourAbove) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makeColours(image, 31, 9, 256));
    ASSERT_TRUE(savePng(image, "a.png", -1));
    auto chunks = pngfiles::chunksOf(folder.read("a.png"));
    EXPECT_EQ(static_cast<uint8_t>(chunks[0].data[9]), 3);
    EXPECT_EQ(pngfiles::find(chunks, "PLTE")->data.size(), 768u);
    ASSERT_TRUE(pictures::makeColours(image, 31, 9, 257));
    ASSERT_TRUE(savePng(image, "b.png", -1));
    chunks = pngfiles::chunksOf(folder.read("b.png"));
    EXPECT_EQ(static_cast<uint8_t>(chunks[0].data[9]), 2);
    // A two-colour picture keeps 8-bit indices.
    ASSERT_TRUE(pictures::makeColours(image, 5, 5, 2));
    ASSERT_TRUE(savePng(image, "c.png", 0));
    chunks = pngfiles::chunksOf(folder.read("c.png"));
    EXPECT_EQ(static_cast<uint8_t>(chunks[0].data[8]), 8);
    EXPECT_EQ(pngfiles::find(chunks, "PLTE")->data.size(), 6u);
    // The level is 6: the zlib header says "default compression".
    EXPECT_EQ(static_cast<uint8_t>(pngfiles::find(chunks, "IDAT")->data[1]) >> 6, 2);
}

#ifndef _WIN32
namespace {

// In a child process: each writer, with files limited to 1000 bytes, must
// report false and leave no file; exits 0 when all did.
void writeUnderSizeLimit(const TempFolder& folder) {
    RasterImage photo, drawing;
    if (!pictures::makePattern(photo, 120, 90) || !pictures::makeColours(drawing, 200, 150, 250)) std::exit(2);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    bool anyTrue = writeBmp(photo, "a.bmp") || savePng(photo, "a.png", -1) || saveGif(drawing, "a.gif", -1);
    bool anyFile = folder.exists("a.bmp") || folder.exists("a.png") || folder.exists("a.gif");
    std::exit(anyTrue || anyFile ? 1 : 0);
}

}  // namespace

TEST(PictureFilesFailure, FailedWritesGiveFalseAndNoFile) {
    TempFolder folder;
    EXPECT_EXIT(writeUnderSizeLimit(folder), testing::ExitedWithCode(0), "");
}

TEST(BmpWriterOracle, ImageMagickReadsOddSizesExactly) {
    TempFolder folder;
    const int sizes[][2] = {{1, 1}, {3, 2}, {5, 7}, {13, 4}, {64, 3}};
    for (const auto& s : sizes) {
        RasterImage image;
        ASSERT_TRUE(pictures::makePattern(image, s[0], s[1], 9));
        std::string name = folder.file("b" + std::to_string(s[0]) + ".bmp");
        ASSERT_TRUE(writeBmp(image, name.c_str()));
        EXPECT_EQ(oracle::magickSize(name), std::to_string(s[0]) + " " + std::to_string(s[1]));
        EXPECT_EQ(oracle::magickRgb(name), pictures::rgbOf(image)) << name;
    }
}

TEST(SavePngOracle, PngcheckAndImageMagickAgree) {
    TempFolder folder;
    for (int colours : {1, 3, 256, 257}) {
        RasterImage image;
        ASSERT_TRUE(pictures::makeColours(image, 27, 19, colours));
        std::string name = folder.file("s" + std::to_string(colours) + ".png");
        ASSERT_TRUE(savePng(image, name.c_str(), static_cast<int32_t>(pictures::colourNumber(0))));
        EXPECT_EQ(oracle::run("pngcheck -q " + name), 0);
        EXPECT_EQ(oracle::magickRgb(name), pictures::rgbOf(image));
    }
}
#endif
