#include "image/jpeg_writer.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/pictures.h"

namespace {

// The code of the first start-of-frame marker, found by walking the segments.
int frameMarker(const std::string& file) {
    size_t at = 2;
    while (at + 4 <= file.size() && static_cast<uint8_t>(file[at]) == 0xFF) {
        int code = static_cast<uint8_t>(file[at + 1]);
        if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) return code;
        at += 2 + (static_cast<uint8_t>(file[at + 2]) << 8 | static_cast<uint8_t>(file[at + 3]));
    }
    return -1;
}

}  // namespace

TEST(JpegWriterFrames, BaselineOrProgressiveAsAsked) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makePattern(image, 13, 7));
    ASSERT_TRUE(writeJpeg(image, "b.jpg", 85, false));
    ASSERT_TRUE(writeJpeg(image, "p.jpg", 85, true));
    std::string b = folder.read("b.jpg"), p = folder.read("p.jpg");
    EXPECT_EQ(b.substr(0, 4), pictures::bytes({0xFF, 0xD8, 0xFF, 0xE0}));
    EXPECT_EQ(b.substr(6, 5), std::string("JFIF\0", 5));
    EXPECT_EQ(frameMarker(b), 0xC0);
    EXPECT_EQ(frameMarker(p), 0xC2);
    // The same picture and settings give the same bytes.
    ASSERT_TRUE(writeJpeg(image, "b2.jpg", 85, false));
    EXPECT_EQ(folder.read("b2.jpg"), b);
}

TEST(JpegWriterFailure, RefusesOtherDepthsAndUncreatableFiles) {
    TempFolder folder;
    RasterImage image;
    EXPECT_FALSE(writeJpeg(image, "e.jpg", 85, false));
    EXPECT_FALSE(folder.exists("e.jpg"));
    ASSERT_TRUE(image.create(4, 4, 32));
    EXPECT_FALSE(writeJpeg(image, "x.jpg", 85, false));
    EXPECT_FALSE(folder.exists("x.jpg"));
    ASSERT_TRUE(image.create(4, 4));
    EXPECT_FALSE(writeJpeg(image, "no/folder.jpg", 85, false));
}

#ifndef _WIN32
// A write that fails inside the library (the file size limit is reached) gives
// false and leaves no file, instead of ending the program.
namespace {

// In a child process: writes with files limited to 2000 bytes; exits 0 when
// the writer reported false and left no file.
void writeUnderSizeLimit(const RasterImage& image, const TempFolder& folder) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 2000;
    setrlimit(RLIMIT_FSIZE, &limit);
    bool ok = writeJpeg(image, "big.jpg", 100, false);
    std::exit(!ok && !folder.exists("big.jpg") ? 0 : 1);
}

}  // namespace

TEST(JpegWriterFailure, LibraryErrorGivesFalseAndNoFile) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makePattern(image, 400, 300));
    EXPECT_EXIT(writeUnderSizeLimit(image, folder), testing::ExitedWithCode(0), "");
}

namespace {

void writePpm(const RasterImage& image, const std::string& path) {
    pictures::writeFile(path, "P6\n" + std::to_string(image.width()) + " " + std::to_string(image.height()) +
                                  "\n255\n" + pictures::rgbOf(image));
}

}  // namespace

// cjpeg, given the same pixels and settings, writes the same bytes; djpeg
// decodes every file.
TEST(JpegWriterOracle, SameBytesAsCjpeg) {
    TempFolder folder;
    const int sizes[][2] = {{1, 1}, {3, 2}, {17, 9}, {64, 33}};
    for (const auto& s : sizes) {
        RasterImage image;
        ASSERT_TRUE(pictures::makePattern(image, s[0], s[1], 2));
        writePpm(image, folder.file("in.ppm"));
        for (int quality : {0, 1, 10, 50, 85, 100, 180}) {
            for (bool progressive : {false, true}) {
                std::string name = folder.file("ours.jpg");
                ASSERT_TRUE(writeJpeg(image, name.c_str(), quality, progressive));
                // Our quality is clamped by the library like cjpeg's, always with baseline tables.
                int clamped = quality < 1 ? 1 : quality > 100 ? 100 : quality;
                std::string theirs = folder.file("theirs.jpg");
                ASSERT_EQ(oracle::run("cjpeg -quality " + std::to_string(clamped) + " -baseline" +
                                      (progressive ? " -progressive" : "") + " -outfile " + theirs + " " +
                                      folder.file("in.ppm")), 0);
                EXPECT_EQ(pictures::readFile(name), pictures::readFile(theirs))
                    << s[0] << "x" << s[1] << " q" << quality << (progressive ? " progressive" : "");
                EXPECT_EQ(oracle::run("djpeg -outfile /dev/null " + name), 0);
            }
        }
    }
}

TEST(JpegWriterOracle, PureRedStaysRed) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(image.create(16, 16));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) pictures::setPixel(image, x, y, 255, 0, 0);
    ASSERT_TRUE(writeJpeg(image, "red.jpg", 90, true));
    std::string ppm;
    ASSERT_EQ(oracle::run("djpeg -pnm " + folder.file("red.jpg"), &ppm), 0);
    ASSERT_GT(ppm.size(), 16u * 16u * 3u);
    std::string pixels = ppm.substr(ppm.size() - 16 * 16 * 3);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        EXPECT_GE(static_cast<uint8_t>(pixels[i]), 240);
        EXPECT_LE(static_cast<uint8_t>(pixels[i + 2]), 15);
    }
}
#endif
