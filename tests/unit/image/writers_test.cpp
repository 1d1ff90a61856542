// The picture writers the save flow calls (PNG, GIF, JPEG), checked through
// real decoders: pngcheck, giflib's gif2rgb, ImageMagick, and libjpeg's cjpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <random>

#include <zlib.h>

#include "image/jpeg_writer.h"
#include "image/png_writer.h"
#include "save/bmp_writer.h"
#include "save/picture_files.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/pictures.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

TEST(WriterFailure, FalseForAFileThatCannotBeCreatedOrAnEmptyPicture) {
    TempFolder folder;
    RasterImage empty, good;
    ASSERT_TRUE(pictures::makeColours(good, 4, 4, 3));
    std::filesystem::create_directory(folder.path() / "taken");
    for (const char* path : {"missing/x", "taken"})
        EXPECT_FALSE(savePng(good, path, -1) || saveGif(good, path, -1) || writeJpeg(good, path, 85, false)) << path;
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "taken"));
    EXPECT_FALSE(savePng(empty, "e", -1) || saveGif(empty, "e", -1) || writeJpeg(empty, "e", 85, false) || folder.exists("e"));
}

// The PNG held in memory (the gallery's thumbnails) is byte for byte the
// file the writer writes of the same raster, in both formats.
TEST(WriterMemory, APngInMemoryIsTheFileOfTheSameRaster) {
    TempFolder folder;
    RasterImage drawing, pattern;
    ASSERT_TRUE(pictures::makeColours(drawing, 33, 17, 17));
    ASSERT_TRUE(pictures::makePattern(pattern, 7, 5, 3));
    uint32_t palette[256];
    int count = 0;
    PngRaster indexed, trueColour;
    ASSERT_TRUE(preparePngPalette(drawing, indexed, palette, count) && count == 17);
    ASSERT_TRUE(preparePng(pattern, trueColour, 24, nullptr, 0));
    for (const PngRaster* raster : {&indexed, &trueColour}) {
        std::string memory = "old bytes";
        ASSERT_TRUE(writePng(*raster, "p.png", pngLevelByPicture, -1));
        ASSERT_TRUE(encodePng(*raster, pngLevelByPicture, memory));
        EXPECT_EQ(memory, folder.read("p.png")) << raster->format;
    }
    std::string memory;
    EXPECT_FALSE(encodePng(PngRaster(), pngLevelByPicture, memory));
}

// A saved PNG's image data is at most 1 % larger than zlib's level 6 makes of
// the same scanlines, for a drawing (flat discs with smoothed edges, true
// colour) and for noise alike, whatever level the writer picks for either.
TEST(WriterSize, WithinOnePercentOfZlibLevel6) {
    TempFolder folder;
    RasterImage drawing, noise;
    ASSERT_TRUE(pictures::paint(drawing, 800, 600, [](int x, int y) {
        const double edge = std::hypot(x % 200 - 100, y % 150 - 75) - 30 - x / 20;
        const uint32_t cover = static_cast<uint32_t>(std::clamp(0.5 - edge, 0.0, 1.0) * 255);
        return 0xFFFFFF - cover * (0x010101 + static_cast<uint32_t>(y / 150) * 0x0A0000);
    }));
    std::minstd_rand random(3);
    ASSERT_TRUE(pictures::paint(noise, 800, 600, [&](int x, int y) {
        return (x / 4 + random() % 9) << 16 | (y / 3 + random() % 9) << 8 | ((x + y) / 6 + random() % 9);
    }));
    for (const RasterImage* image : {&drawing, &noise}) {
        ASSERT_TRUE(savePng(*image, "p.png", -1));
        const std::string file = folder.read("p.png"), rgb = pictures::rgbOf(*image);
        ASSERT_EQ(file.substr(37, 4), "IDAT");  // after the signature and IHDR: true colour
        const auto ours = static_cast<uint8_t>(file[33]) << 24 | static_cast<uint8_t>(file[34]) << 16 |
                          static_cast<uint8_t>(file[35]) << 8 | static_cast<uint8_t>(file[36]);
        std::string rows;
        for (size_t at = 0; at < rgb.size(); at += 2400) rows += '\0' + rgb.substr(at, 2400);
        uLongf theirs = compressBound(static_cast<uLong>(rows.size()));
        std::string stream(theirs, '\0');
        ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(&stream[0]), &theirs, reinterpret_cast<const Bytef*>(rows.data()),
                            static_cast<uLong>(rows.size()), 6), Z_OK);
        EXPECT_LE(ours, theirs * 1.01) << (image == &drawing ? "drawing" : "noise");
    }
}

#ifndef _WIN32
// In a child process whose files are limited to 1000 bytes, each writer's
// write fails inside: false and no file, not the end of the program. The
// picture is noise of 250 greys, so the GIF writer takes it too.
TEST(WriterFailure, AFullDiskGivesFalseAndNoFile) {
    TempFolder folder;
    RasterImage noise;
    ASSERT_TRUE(noise.create(120, 90));
    std::minstd_rand random(7);
    for (int i = 0; i < 120 * 90; ++i) std::fill_n(noise.pixelAddress(i % 120, i / 120), 3, random() % 250);
    const auto failsCleanly = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        return !writeBmp(noise, "a.bmp") && !savePng(noise, "a.png", -1) && !saveGif(noise, "a.gif", -1) &&
               !writeJpeg(noise, "a.jpg", 100, false) && !folder.exists("a.bmp") && !folder.exists("a.png") &&
               !folder.exists("a.gif") && !folder.exists("a.jpg");
    };
    EXPECT_EXIT(std::exit(failsCleanly() ? 0 : 1), testing::ExitedWithCode(0), "");
}

// Every kind of picture the save flow meets, written as PNG and GIF with and
// without a transparent colour: pngcheck accepts the PNG, gif2rgb and
// ImageMagick decode exactly the pixels and exactly the transparent ones.
// The JPEG writer gives the bytes cjpeg gives for the same pixels and settings.
TEST(WriterOracle, RealDecodersGiveThePixelsBack) {
    TempFolder folder;
    struct Kind {
        const char* what;
        int width, height, colours;  // 0 colours: every pixel its own
    } kinds[] = {
        {"1x1", 1, 1, 1},          {"one colour", 3, 2, 1},        {"two colours, one column", 1, 70, 2},
        {"16 colours", 7, 5, 16},  {"17 colours", 33, 17, 17},     {"129 colours", 2, 41, 129},
        {"256 colours", 64, 70, 256},                              {"257 colours", 20, 13, 257},
        {"true colour", 7, 5, 0},  {"true colour, thin", 4, 3, 0}, {"big, 256 colours", 301, 200, 256},
        {"big, true colour", 100, 700, 0},                         {"wide rows", 16000, 3, 0},
    };
    const int qualities[] = {0, 50, 100, 180};
    int n = 0;
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.what);
        RasterImage image;
        ASSERT_TRUE(k.colours ? pictures::makeColours(image, k.width, k.height, k.colours)
                              : pictures::makePattern(image, k.width, k.height, 3));
        // The colour of the last pixel made transparent (as 0x00BBGGRR), or none.
        const std::string rgb = pictures::rgbOf(image), last = rgb.substr(rgb.size() - 3);
        const auto l = reinterpret_cast<const uint8_t*>(last.data());
        for (int32_t transparent : {-1, l[0] | l[1] << 8 | l[2] << 16}) {
            std::string alpha;
            for (size_t i = 0; i < rgb.size(); i += 3) alpha += transparent != -1 && rgb.compare(i, 3, last) == 0 ? '\0' : '\xFF';
            const std::string png = folder.file("p.png"), gif = folder.file("g.gif");
            ASSERT_TRUE(savePng(image, png.c_str(), transparent));
            EXPECT_EQ(oracle::run("pngcheck -q " + png), 0);
            EXPECT_EQ(oracle::magickRgb(png), rgb);
            EXPECT_EQ(oracle::magickAlpha(png), alpha);
            int count = 0;
            ASSERT_TRUE(image.countColours(nullptr, count));
            std::filesystem::remove(gif);
            // GIF refuses more than 256 colours, leaving no file.
            ASSERT_EQ(saveGif(image, gif.c_str(), transparent), count > 0);
            EXPECT_EQ(folder.exists("g.gif"), count > 0);
            if (!count) continue;
            ASSERT_EQ(oracle::run("gif2rgb -1 -o " + gif + ".rgb " + gif), 0);
            EXPECT_EQ(folder.read(gif + ".rgb"), rgb);
            EXPECT_EQ(oracle::magickRgb(gif), rgb);
            EXPECT_EQ(oracle::magickAlpha(gif), alpha);
        }
        folder.write("in.ppm", "P6\n" + std::to_string(k.width) + " " + std::to_string(k.height) + "\n255\n" + rgb);
        // Our quality goes to the library, which clamps it as cjpeg does.
        const int quality = qualities[n++ % 4], clamped = std::clamp(quality, 1, 100);
        for (bool progressive : {false, true}) {
            ASSERT_TRUE(writeJpeg(image, "ours.jpg", quality, progressive));
            ASSERT_EQ(oracle::run("cjpeg -quality " + std::to_string(clamped) + " -baseline" +
                                  (progressive ? " -progressive" : "") + " -outfile theirs.jpg in.ppm"), 0);
            EXPECT_EQ(folder.read("ours.jpg"), folder.read("theirs.jpg")) << quality << " " << progressive;
        }
    }
}
#endif
