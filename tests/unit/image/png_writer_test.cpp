#include "image/png_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "save/picture_files.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/png_files.h"
#include "tests/unit/image/pictures.h"

namespace {

using pngfiles::Chunk;

// Census, prepare and write, the way the save flow calls the encoder.
bool writeWithCensus(const RasterImage& image, const std::string& path, int32_t transparent) {
    uint32_t palette[256];
    int count = 0;
    if (!image.countColours(palette, count)) return false;
    PngRaster raster;
    return preparePng(image, raster, count ? 8 : 24, palette, count) &&
           writePng(raster, path.c_str(), 6, transparent);
}

}  // namespace

TEST(PngWriterLayout, OneColourPictureIsEightBitPalette) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(image.create(3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) pictures::setPixel(image, x, y, 10, 200, 30);
    ASSERT_TRUE(writeWithCensus(image, "one.png", -1));
    std::string file = folder.read("one.png");
    ASSERT_EQ(file.substr(0, 8), pngfiles::signature);
    auto chunks = pngfiles::chunksOf(file);
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[0].data, pngfiles::big32(3) + pngfiles::big32(2) + pictures::bytes({8, 3, 0, 0, 0}));
    EXPECT_EQ(chunks[1].type, "PLTE");
    EXPECT_EQ(chunks[1].data, pictures::bytes({10, 200, 30}));
    EXPECT_EQ(chunks[2].type, "IDAT");
    EXPECT_EQ(pngfiles::inflateAll(chunks[2].data), std::string(8, '\0'));
    EXPECT_EQ(chunks[3].type, "IEND");
    // The fixed end chunk, byte for byte, closes the file.
    EXPECT_EQ(file.substr(file.size() - 12),
              pictures::bytes({0, 0, 0, 0, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82}));
    for (const Chunk& c : chunks) EXPECT_EQ(c.crc, pngfiles::crcOf(c.type + c.data)) << c.type;
}

TEST(PngWriterLayout, IndicesFollowTheCensusOrder) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makeColours(image, 5, 3, 7));
    ASSERT_TRUE(writeWithCensus(image, "seven.png", -1));
    auto chunks = pngfiles::chunksOf(folder.read("seven.png"));
    const Chunk* plte = pngfiles::find(chunks, "PLTE");
    ASSERT_NE(plte, nullptr);
    ASSERT_EQ(plte->data.size(), 21u);
    std::string rows = pngfiles::inflateAll(pngfiles::find(chunks, "IDAT")->data);
    ASSERT_EQ(rows.size(), 3u * 6u);
    // The palette's entry 0 is the bottom-left pixel, and every index names its pixel's colour.
    const uint8_t* bottomLeft = image.pixelAddress(0, 2);
    EXPECT_EQ(plte->data.substr(0, 3), pictures::bytes({bottomLeft[2], bottomLeft[1], bottomLeft[0]}));
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(rows[static_cast<size_t>(y) * 6], '\0');
        for (int x = 0; x < 5; ++x) {
            size_t index = static_cast<uint8_t>(rows[static_cast<size_t>(y) * 6 + 1 + static_cast<size_t>(x)]);
            const uint8_t* p = image.pixelAddress(x, y);
            EXPECT_EQ(plte->data.substr(index * 3, 3), pictures::bytes({p[2], p[1], p[0]}));
        }
    }
}

TEST(PngWriterLayout, MoreThan256ColoursIsTrueColourWithoutPalette) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makeColours(image, 20, 13, 257));
    ASSERT_TRUE(writeWithCensus(image, "many.png", -1));
    auto chunks = pngfiles::chunksOf(folder.read("many.png"));
    EXPECT_EQ(static_cast<uint8_t>(chunks[0].data[9]), 2);
    EXPECT_EQ(pngfiles::find(chunks, "PLTE"), nullptr);
    std::string rows = pngfiles::inflateAll(pngfiles::find(chunks, "IDAT")->data);
    ASSERT_EQ(rows.size(), 13u * 61u);
    std::string rgb;
    for (size_t y = 0; y < 13; ++y) {
        EXPECT_EQ(rows[y * 61], '\0');
        rgb += rows.substr(y * 61 + 1, 60);
    }
    EXPECT_EQ(rgb, pictures::rgbOf(image));
}

TEST(PngWriterTransparency, PaletteRunUpToTheFirstMatch) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(image.create(3, 1));
    pictures::setPixel(image, 0, 0, 1, 2, 3);
    pictures::setPixel(image, 1, 0, 4, 5, 6);
    pictures::setPixel(image, 2, 0, 255, 255, 255);
    ASSERT_TRUE(writeWithCensus(image, "t.png", 0xFFFFFF));
    auto chunks = pngfiles::chunksOf(folder.read("t.png"));
    const Chunk* trns = pngfiles::find(chunks, "tRNS");
    ASSERT_NE(trns, nullptr);
    EXPECT_EQ(trns->data, pictures::bytes({0xFF, 0xFF, 0x00}));
    // tRNS stands between PLTE and IDAT.
    EXPECT_EQ(chunks[1].type, "PLTE");
    EXPECT_EQ(chunks[2].type, "tRNS");
    ASSERT_TRUE(writeWithCensus(image, "u.png", 0x060504));
    EXPECT_EQ(pngfiles::find(pngfiles::chunksOf(folder.read("u.png")), "tRNS")->data, pictures::bytes({0xFF, 0}));
    ASSERT_TRUE(writeWithCensus(image, "none.png", 0x000000));
    EXPECT_EQ(pngfiles::find(pngfiles::chunksOf(folder.read("none.png")), "tRNS"), nullptr);
}

TEST(PngWriterTransparency, TrueColourSamplesAreRedGreenBlue) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makeColours(image, 30, 10, 300));
    ASSERT_TRUE(writeWithCensus(image, "t.png", 0x332211));
    const Chunk* trns = pngfiles::find(pngfiles::chunksOf(folder.read("t.png")), "tRNS");
    ASSERT_NE(trns, nullptr);
    EXPECT_EQ(trns->data, pictures::bytes({0, 0x11, 0, 0x22, 0, 0x33}));
}

TEST(PngWriterFailure, UncreatableFileChangesNothing) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makePattern(image, 4, 4));
    std::filesystem::create_directory(folder.path() / "taken.png");
    EXPECT_FALSE(writeWithCensus(image, "taken.png", -1));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "taken.png"));
    EXPECT_FALSE(writeWithCensus(image, "missing/x.png", -1));
}

TEST(PngWriterFailure, DeflateFailureDeletesTheHalfWrittenFile) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makePattern(image, 4, 4));
    PngRaster raster;
    ASSERT_TRUE(preparePng(image, raster, 24, nullptr, 0));
    EXPECT_FALSE(writePng(raster, "bad.png", 42, -1));
    EXPECT_FALSE(folder.exists("bad.png"));
    PngRaster empty;
    EXPECT_FALSE(writePng(empty, "empty.png", 6, -1));
    EXPECT_FALSE(folder.exists("empty.png"));
}

TEST(PngWriterFailure, PrepareRefusesWhatItCannotEncode) {
    RasterImage image;
    PngRaster raster;
    EXPECT_FALSE(preparePng(image, raster, 24, nullptr, 0));
    ASSERT_TRUE(image.create(2, 2, 32));
    EXPECT_FALSE(preparePng(image, raster, 24, nullptr, 0));
    ASSERT_TRUE(image.create(2, 2));
    EXPECT_FALSE(preparePng(image, raster, 4, nullptr, 0));
    EXPECT_FALSE(preparePng(image, raster, 8, nullptr, 0));
}

// The census that writes the indices as it goes gives exactly the raster of
// the census followed by the separate palette lookup; past 256 colours it
// gives no scanlines.
TEST(PngWriterCensus, SamePaletteAndScanlinesAsCensusThenLookup) {
    struct Case {
        int width, height, colours;
    } cases[] = {{3, 2, 1}, {5, 3, 7}, {17, 16, 256}, {17, 16, 257}, {64, 9, 0}, {1, 1, 1}};
    for (const Case& c : cases) {
        RasterImage image;
        if (c.colours) ASSERT_TRUE(pictures::makeColours(image, c.width, c.height, c.colours));
        else ASSERT_TRUE(pictures::makePattern(image, c.width, c.height, 5));
        uint32_t palette[256], fusedPalette[256];
        int count = -1, fusedCount = -1;
        ASSERT_TRUE(image.countColours(palette, count));
        PngRaster separate, fused;
        const std::string label = std::to_string(c.width) + "x" + std::to_string(c.height) + " " + std::to_string(c.colours);
        ASSERT_TRUE(preparePngPalette(image, fused, fusedPalette, fusedCount)) << label;
        ASSERT_EQ(fusedCount, count) << label;
        if (!count) {
            EXPECT_TRUE(fused.scanlines.empty()) << label;
            continue;
        }
        ASSERT_TRUE(preparePng(image, separate, 8, palette, count));
        EXPECT_EQ(fused.format, separate.format) << label;
        EXPECT_EQ(fused.rowBytes, separate.rowBytes) << label;
        EXPECT_EQ(fused.paletteCount, separate.paletteCount) << label;
        ASSERT_EQ(fused.scanlines.size(), separate.scanlines.size()) << label;
        EXPECT_EQ(std::memcmp(fused.scanlines.data(), separate.scanlines.data(), fused.scanlines.size()), 0) << label;
        ASSERT_EQ(fused.paletteData.size(), separate.paletteData.size()) << label;
        EXPECT_EQ(std::memcmp(fused.paletteData.data(), separate.paletteData.data(), fused.paletteData.size()), 0) << label;
    }
    RasterImage deep;
    ASSERT_TRUE(deep.create(2, 2, 32));
    PngRaster raster;
    uint32_t palette[256];
    int count = 0;
    EXPECT_FALSE(preparePngPalette(deep, raster, palette, count));
}

// A true-colour picture written row by row from the picture is byte for byte
// the file of its prepared scanlines, for pictures of one piece of rows and of
// many (wide rows, many rows), with and without transparency.
TEST(PngWriterTrueColour, RowsFromThePictureGiveTheSameFile) {
    TempFolder folder;
    const int sizes[][2] = {{1, 1}, {7, 5}, {100, 700}, {30000, 3}};
    for (const auto& size : sizes) {
        RasterImage image;
        ASSERT_TRUE(pictures::makePattern(image, size[0], size[1], 9));
        PngRaster raster;
        ASSERT_TRUE(preparePng(image, raster, 24, nullptr, 0));
        for (int32_t transparent : {-1, 0x102030}) {
            ASSERT_TRUE(writePng(raster, "prepared.png", 6, transparent));
            ASSERT_TRUE(writeTrueColourPng(image, "streamed.png", 6, transparent));
            const std::string streamed = folder.read("streamed.png");
            EXPECT_EQ(streamed, folder.read("prepared.png")) << size[0] << "x" << size[1];
            const auto chunks = pngfiles::chunksOf(streamed);
            const Chunk* idat = pngfiles::find(chunks, "IDAT");
            ASSERT_NE(idat, nullptr);
            EXPECT_EQ(pngfiles::inflateAll(idat->data),
                      std::string(reinterpret_cast<const char*>(raster.scanlines.data()), raster.scanlines.size()));
        }
    }
    RasterImage deep, empty;
    ASSERT_TRUE(deep.create(2, 2, 32));
    EXPECT_FALSE(writeTrueColourPng(deep, "deep.png", 6, -1));
    EXPECT_FALSE(writeTrueColourPng(empty, "empty.png", 6, -1));
    EXPECT_FALSE(writeTrueColourPng(deep, "bad.png", 42, -1));
    EXPECT_FALSE(folder.exists("deep.png") || folder.exists("empty.png") || folder.exists("bad.png"));
}

#ifndef _WIN32
// pngcheck accepts every file, and ImageMagick decodes exactly our pixels, for
// small odd-sized pictures in both forms, with and without transparency.
TEST(PngWriterOracle, PngcheckAndImageMagickAgree) {
    TempFolder folder;
    const int sizes[][2] = {{1, 1}, {3, 2}, {7, 5}, {33, 17}, {2, 41}};
    for (const auto& s : sizes) {
        for (int colours : {2, 200, 0}) {
            RasterImage image;
            if (colours) ASSERT_TRUE(pictures::makeColours(image, s[0], s[1], colours));
            else ASSERT_TRUE(pictures::makePattern(image, s[0], s[1], 3));
            for (int32_t transparent : {-1, 0x00FF00}) {
                std::string name = "p" + std::to_string(s[0]) + "x" + std::to_string(s[1]) + "c" +
                                   std::to_string(colours) + (transparent == -1 ? "" : "t") + ".png";
                ASSERT_TRUE(writeWithCensus(image, name, transparent));
                EXPECT_EQ(oracle::run("pngcheck -q " + folder.file(name)), 0) << name;
                EXPECT_EQ(oracle::magickRgb(folder.file(name)), pictures::rgbOf(image)) << name;
            }
        }
    }
}

// The files the save flow writes (census with indices, or rows converted on
// the way) decode to exactly their pictures for narrow pictures down to one
// pixel wide, rows without padding, and palettes that crowd a hash.
TEST(PngWriterOracle, NarrowPicturesAndCrowdedPalettesDecodeToTheirPixels) {
    TempFolder folder;
    for (int w : {1, 2, 4, 5})
        for (int h : {1, 3, 70}) {
            for (int kind = 0; kind < 4; ++kind) {
                RasterImage image;
                if (kind == 0) {
                    ASSERT_TRUE(image.create(w, h));
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x) {
                            const auto grey = static_cast<uint8_t>((y * w + x) * 7);
                            pictures::setPixel(image, x, y, grey, grey, grey);
                        }
                } else if (kind == 3) {
                    ASSERT_TRUE(pictures::makePattern(image, w, h, 4));
                } else {
                    ASSERT_TRUE(pictures::makeColours(image, w, h, kind == 1 ? 256 : 257));
                }
                const std::string name = "n" + std::to_string(w) + "x" + std::to_string(h) + "k" + std::to_string(kind) + ".png";
                ASSERT_TRUE(savePng(image, name.c_str(), -1)) << name;
                EXPECT_EQ(oracle::run("pngcheck -q " + folder.file(name)), 0) << name;
                EXPECT_EQ(oracle::magickRgb(folder.file(name)), pictures::rgbOf(image)) << name;
            }
        }
}
#endif

