// The picture files' fixed bytes, and writers that fail leaving no file.
#include "save/bmp_writer.h"
#include "save/picture_files.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/support/temp_folder.h"
#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

TEST(PictureFiles, BmpHeaderAndPngCompressionLevelAreFixed) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(image.create(3, 2));
    ASSERT_TRUE(writeBmp(image, "p.bmp"));
    // Sizes, 54-byte offset, 40-byte info header, 3 × 2, one plane, 24 bits,
    // no compression, no image size, 96 per metre, no palette.
    const std::string header = std::string("BM\x4E\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x03\0\0\0\x02\0\0\0\x01\0\x18\0", 30) +
                               std::string(8, '\0') + std::string("\x60\0\0\0\x60\0\0\0", 8) + std::string(8, '\0');
    std::string bmp = folder.read("p.bmp");
    EXPECT_EQ(bmp.size(), 78u);
    EXPECT_EQ(bmp.substr(0, 54), header);
    // Level 6: the zlib header says "default compression".
    ASSERT_TRUE(savePng(image, "p.png", -1));
    std::string png = folder.read("p.png");
    EXPECT_EQ(png.substr(png.find("IDAT") + 4, 2), "\x78\x9C");
}

#ifndef _WIN32
namespace {

// In a child process: each writer, with files limited to 1000 bytes, must
// report false and leave no file; exits 0 when all did. The pictures are
// noise, a photo and one of 250 greys, so that no file fits.
void writeUnderSizeLimit(const TempFolder& folder) {
    RasterImage photo, drawing;
    if (!photo.create(120, 90) || !drawing.create(200, 150)) std::exit(2);
    std::minstd_rand random(7);
    for (int i = 0; i < photo.stride() * photo.height(); ++i) photo.bits()[i] = static_cast<uint8_t>(random());
    for (int i = 0; i < drawing.width() * drawing.height(); ++i)
        std::fill_n(drawing.pixelAddress(i % drawing.width(), i / drawing.width()), 3, random() % 250);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    bool anyTrue = writeBmp(photo, "a.bmp") || savePng(photo, "a.png", -1) || saveGif(drawing, "a.gif", -1);
    bool anyFile = folder.exists("a.bmp") || folder.exists("a.png") || folder.exists("a.gif");
    std::exit(anyTrue || anyFile ? 1 : 0);
}

}  // namespace

TEST(PictureFiles, FailedWritesGiveFalseAndNoFile) {
    TempFolder folder;
    EXPECT_EXIT(writeUnderSizeLimit(folder), testing::ExitedWithCode(0), "");
}
#endif
