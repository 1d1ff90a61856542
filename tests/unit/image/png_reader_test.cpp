#include "image/png_reader.h"

#include "image/header_probe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/png_files.h"
#include "tests/unit/image/pictures.h"

using pictures::bytes;
using pngfiles::big32;
using pngfiles::chunk;
using pngfiles::header;

namespace {

int predictor(int left, int up, int corner) {
    int estimate = left + up - corner;
    int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up), toCorner = std::abs(estimate - corner);
    if (toLeft <= toUp && toLeft <= toCorner) return left;
    if (toUp <= toCorner) return up;
    return corner;
}

// Filters raw rows (each `length` bytes) with the given filter per row.
std::string filterRows(const std::string& raw, size_t length, size_t distance, const std::vector<int>& filters) {
    std::string out;
    std::string above(length, '\0');
    for (size_t y = 0; y * length < raw.size(); ++y) {
        std::string row = raw.substr(y * length, length);
        int f = filters[y % filters.size()];
        out += static_cast<char>(f);
        for (size_t i = 0; i < length; ++i) {
            int x = static_cast<uint8_t>(row[i]);
            int left = i >= distance ? static_cast<uint8_t>(row[i - distance]) : 0;
            int up = static_cast<uint8_t>(above[i]);
            int corner = i >= distance ? static_cast<uint8_t>(above[i - distance]) : 0;
            int prediction = f == 1 ? left : f == 2 ? up : f == 3 ? (left + up) / 2 : f == 4 ? predictor(left, up, corner) : 0;
            out += static_cast<char>((x - prediction) & 255);
        }
        above = row;
    }
    return out;
}

std::string pngOf(const std::string& ihdr, const std::string& middle, const std::string& idat) {
    return pngfiles::signature + ihdr + middle + chunk("IDAT", idat) + chunk("IEND", "");
}

// Decodes bytes written to a file; the picture as rows of red, green, blue.
bool decode(const TempFolder& folder, const std::string& file, std::string& rgb, int* w = nullptr, int* h = nullptr) {
    folder.write("in.png", file);
    RasterImage image;
    if (!image.loadPng("in.png")) {
        EXPECT_TRUE(image.isEmpty());
        return false;
    }
    EXPECT_EQ(image.bytesPerPixel(), 3);
    if (w) *w = image.width();
    if (h) *h = image.height();
    rgb = pictures::rgbOf(image);
    return true;
}

std::string patternRgb(int w, int h, int channels) {
    std::string raw;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t r, g, b;
            pictures::patternPixel(x, y, 1, r, g, b);
            raw += bytes({r, g, b});
            if (channels == 4) raw += static_cast<char>(x * 20 + y);
        }
    return raw;
}

std::string dropAlpha(const std::string& rgba) {
    std::string out;
    for (size_t i = 0; i < rgba.size(); i += 4) out += rgba.substr(i, 3);
    return out;
}

}  // namespace

// Rows wide enough that a reader taking a few rows at a time meets Up,
// Average and Paeth at the start of a piece, with the row above from the last.
TEST(PngReaderAccepts, EveryFilterInTrueColourAndAlpha) {
    TempFolder folder;
    const int w = 4000, h = 9;
    for (int channels : {3, 4}) {
        std::string raw = patternRgb(w, h, channels);
        std::string rows = filterRows(raw, static_cast<size_t>(w * channels), static_cast<size_t>(channels), {0, 1, 2, 3, 4, 4, 3, 2, 1});
        std::string rgb;
        int dw = 0, dh = 0;
        ASSERT_TRUE(decode(folder, pngOf(header(w, h, 8, channels == 3 ? 2 : 6), "", pngfiles::deflateAll(rows)), rgb, &dw, &dh));
        EXPECT_EQ(dw, w);
        EXPECT_EQ(dh, h);
        EXPECT_EQ(rgb, channels == 3 ? raw : dropAlpha(raw));
    }
}

TEST(PngReaderAccepts, FirstRowFiltersSeeZerosAbove) {
    TempFolder folder;
    for (int f = 1; f <= 4; ++f) {
        std::string raw = patternRgb(5, 1, 3);
        std::string rgb;
        ASSERT_TRUE(decode(folder, pngOf(header(5, 1, 8, 2), "", pngfiles::deflateAll(filterRows(raw, 15, 3, {f}))), rgb));
        EXPECT_EQ(rgb, raw) << "filter " << f;
    }
}

TEST(PngReaderAccepts, AlphaIsDroppedNotBlended) {
    TempFolder folder;
    std::string rgb;
    ASSERT_TRUE(decode(folder, pngOf(header(1, 1, 8, 6), "", pngfiles::deflateAll(bytes({0, 10, 20, 30, 0}))), rgb));
    EXPECT_EQ(rgb, bytes({10, 20, 30}));
}

TEST(PngReaderAccepts, GreyRampsForEveryDepth) {
    TempFolder folder;
    // Levels of each depth, as the ramp defines them: 0, 255 / 0, 85, 170, 255 / steps of 17 / identity.
    const std::vector<std::vector<int>> levels = {
        {0, 255}, {0, 85, 170, 255}, {0, 17, 34, 51, 68, 85, 102, 119, 136, 153, 170, 187, 204, 221, 238, 255}};
    for (int depth : {1, 2, 4, 8}) {
        const int w = 19, count = 1 << depth;
        std::string packed, expected;
        for (int y = 0; y < 3; ++y) {
            packed += '\0';
            int bits = 0, acc = 0;
            for (int x = 0; x < w; ++x) {
                int v = (x * 7 + y * 3) % count;
                int level = depth == 8 ? v : levels[depth == 1 ? 0 : depth == 2 ? 1 : 2][static_cast<size_t>(v)];
                expected += bytes({level, level, level});
                acc = acc << depth | v;
                bits += depth;
                if (bits == 8) { packed += static_cast<char>(acc); acc = bits = 0; }
            }
            if (bits) packed += static_cast<char>(acc << (8 - bits));
        }
        std::string rgb;
        ASSERT_TRUE(decode(folder, pngOf(header(w, 3, depth, 0), "", pngfiles::deflateAll(packed)), rgb)) << depth;
        EXPECT_EQ(rgb, expected) << "depth " << depth;
    }
}

TEST(PngReaderAccepts, PaletteWithTransparencyKeepsItsColours) {
    TempFolder folder;
    std::string plte = chunk("PLTE", bytes({255, 0, 0, 0, 255, 0, 0, 0, 255}));
    std::string trns = chunk("tRNS", bytes({0, 128}));
    std::string rows = filterRows(bytes({0, 1, 2, 2, 1, 0}), 3, 1, {0, 2});
    std::string rgb;
    ASSERT_TRUE(decode(folder, pngOf(header(3, 2, 8, 3), plte + trns, pngfiles::deflateAll(rows)), rgb));
    EXPECT_EQ(rgb, bytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 255, 0, 255, 0, 255, 0, 0}));
}

TEST(PngReaderAccepts, IndexBeyondThePaletteIsBlack) {
    TempFolder folder;
    std::string plte = chunk("PLTE", bytes({9, 8, 7, 6, 5, 4}));
    std::string rgb;
    ASSERT_TRUE(decode(folder, pngOf(header(3, 1, 8, 3), plte, pngfiles::deflateAll(bytes({0, 1, 2, 255}))), rgb));
    EXPECT_EQ(rgb, bytes({6, 5, 4, 0, 0, 0, 0, 0, 0}));
}

TEST(PngReaderAccepts, ImageDataSplitWithOtherChunksBetween) {
    TempFolder folder;
    const int w = 11, h = 6;
    std::string raw = patternRgb(w, h, 3);
    std::string data = pngfiles::deflateAll(filterRows(raw, w * 3, 3, {4, 1}));
    std::string file = pngfiles::signature + chunk("tEXt", std::string("Comment\0x", 9)) + header(w, h, 8, 2) +
                       chunk("PLTE", bytes({1, 2, 3})) + chunk("gAMA", big32(45455));
    for (size_t at = 0; at < data.size(); at += 7) {
        file += chunk("IDAT", data.substr(at, 7));
        file += chunk("tEXt", std::string("Title\0between", 13));
    }
    file += chunk("IEND", "");
    std::string rgb;
    ASSERT_TRUE(decode(folder, file, rgb));
    EXPECT_EQ(rgb, raw);
}

TEST(PngReaderAccepts, ShortStreamLeavesZeroRows) {
    TempFolder folder;
    const int w = 40, h = 600;
    std::string raw = patternRgb(w, h, 3);
    std::string data = pngfiles::deflateAll(filterRows(raw, w * 3, 3, {0}), 0);
    std::string rgb;
    // Stored blocks: cutting the stream keeps a prefix of the rows intact.
    ASSERT_TRUE(decode(folder, pngOf(header(w, h, 8, 2), "", data.substr(0, data.size() / 2)), rgb));
    ASSERT_EQ(rgb.size(), raw.size());
    size_t good = 0;
    while (good < rgb.size() && rgb[good] == raw[good]) ++good;
    EXPECT_GT(good, static_cast<size_t>(w * 3 * 5));
    size_t lastZero = rgb.size();
    while (lastZero > 0 && rgb[lastZero - 1] == '\0') --lastZero;
    EXPECT_LT(lastZero, rgb.size() - static_cast<size_t>(w * 3 * 5));
    // No image data at all: every row zero.
    std::string noData = pngfiles::signature + header(2, 2, 8, 2) + chunk("IEND", "");
    ASSERT_TRUE(decode(folder, noData, rgb));
    EXPECT_EQ(rgb, std::string(12, '\0'));
}

// Streams that do not inflate whole into the scanlines are read as a stream:
// one longer than the picture gives its first rows; an empty IDAT chunk
// fails the stream when it is reached (zlib refuses an empty input), not
// when the stream has ended before it.
TEST(PngReaderAccepts, LongStreamsAndEmptyChunksAsAStreamReadsThem) {
    TempFolder folder;
    const int w = 30, h = 20;
    const std::string raw = patternRgb(w, h, 3);
    const std::string rows = filterRows(raw, w * 3, 3, {0, 1, 4});
    const std::string ihdr = header(w, h, 8, 2);
    std::string rgb;
    ASSERT_TRUE(decode(folder, pngOf(ihdr, "", pngfiles::deflateAll(rows + std::string(500, '\7'))), rgb));
    EXPECT_EQ(rgb, raw);
    const std::string data = pngfiles::deflateAll(rows);
    const std::string end = chunk("IEND", "");
    const std::string whole = chunk("IDAT", data), empty = chunk("IDAT", "");
    EXPECT_TRUE(decode(folder, pngfiles::signature + ihdr + whole + empty + end, rgb));
    EXPECT_EQ(rgb, raw);
    const std::string cut = chunk("IDAT", data.substr(0, 40)) + empty + chunk("IDAT", data.substr(40));
    EXPECT_FALSE(decode(folder, pngfiles::signature + ihdr + cut + end, rgb));
}

TEST(PngReaderRefuses, AnyChangedSignatureByte) {
    TempFolder folder;
    std::string good = pngOf(header(1, 1, 8, 2), "", pngfiles::deflateAll(bytes({0, 1, 2, 3})));
    std::string rgb;
    ASSERT_TRUE(decode(folder, good, rgb));
    for (size_t i = 0; i < 8; ++i) {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x20);
        EXPECT_FALSE(decode(folder, bad, rgb)) << i;
    }
}

TEST(PngReaderRefuses, FormsOutsideTheAcceptedSet) {
    TempFolder folder;
    std::string data = pngfiles::deflateAll(std::string(64, '\0'));
    std::string rgb;
    EXPECT_FALSE(decode(folder, pngOf(header(2, 2, 8, 2, 1), "", data), rgb)) << "interlaced";
    EXPECT_FALSE(decode(folder, pngOf(header(2, 2, 16, 2), "", data), rgb)) << "16-bit";
    EXPECT_FALSE(decode(folder, pngOf(header(2, 2, 8, 4), "", data), rgb)) << "grey with alpha";
    EXPECT_FALSE(decode(folder, pngOf(header(2, 2, 3, 0), "", data), rgb)) << "depth 3";
    EXPECT_FALSE(decode(folder, pngOf(header(2, 2, 4, 2), "", data), rgb)) << "4-bit true colour";
    EXPECT_FALSE(decode(folder, pngOf(header(2, 2, 8, 3), "", data), rgb)) << "palette without PLTE";
    EXPECT_FALSE(decode(folder, pngOf(header(0, 2, 8, 2), "", data), rgb)) << "zero width";
    EXPECT_FALSE(decode(folder, pngOf(header(32768, 1, 8, 2), "", data), rgb)) << "too wide";
    EXPECT_FALSE(decode(folder, pngOf(header(1, 0x80000000u, 8, 2), "", data), rgb)) << "too high";
    EXPECT_FALSE(decode(folder, pngOf(header(20000, 20000, 8, 2), "", data), rgb)) << "picture above the memory cap";
    EXPECT_FALSE(decode(folder, pngOf(header(29445, 24618, 2, 3), chunk("PLTE", "abc"), data), rgb)) << "2-bit, cap";
    EXPECT_FALSE(decode(folder, pngfiles::signature + chunk("IHDR", std::string(12, '\1')), rgb)) << "short IHDR";
    EXPECT_FALSE(decode(folder, pngfiles::signature, rgb)) << "no IHDR";
    EXPECT_FALSE(decode(folder, "", rgb)) << "empty";
    EXPECT_FALSE(decode(folder, pngOf(header(2, 2, 8, 3), chunk("PLTE", std::string(771, '\0')), data), rgb))
        << "palette of 257 entries";
}

TEST(PngReaderRefuses, LengthsBeyondTheFile) {
    TempFolder folder;
    std::string rgb;
    std::string ihdr = header(2, 2, 8, 2);
    EXPECT_FALSE(decode(folder, pngfiles::signature + ihdr + big32(0x7FFFFFF0) + "IDAT" + "abc", rgb));
    EXPECT_FALSE(decode(folder, pngfiles::signature + ihdr + big32(0xFFFFFFFF) + "IDAT", rgb));
    EXPECT_FALSE(decode(folder, pngfiles::signature + header(2, 2, 8, 3) + big32(600) + "PLTE" + "abc", rgb));
    // A huge chunk that is merely skipped ends the search: no image data, zero rows.
    ASSERT_TRUE(decode(folder, pngfiles::signature + ihdr + big32(0xFFFFFFF0) + "zzzz", rgb));
    EXPECT_EQ(rgb, std::string(12, '\0'));
}

TEST(PngReaderChunks, FindChunkStepsForwardOverOthers) {
    TempFolder folder;
    folder.write("c.bin", chunk("aaaa", "12345") + chunk("IDAT", "xy") + chunk("IDAT", ""));
    FileHandle file;
    ASSERT_TRUE(file.openRead("c.bin"));
    uint32_t length = 99;
    ASSERT_TRUE(findChunk(file, "IDAT", length));
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(file.tell(), 17 + 8);
    EXPECT_FALSE(findChunk(file, "idat", length));
}

#ifndef _WIN32
// Files written by ImageMagick in every form, decoded pixel for pixel as
// ImageMagick itself decodes them; the refused forms are refused.
TEST(PngReaderOracle, FilesWrittenByImageMagick) {
    TempFolder folder;
    RasterImage source;
    // Large enough for many pieces of rows and ImageMagick's own filter choices.
    ASSERT_TRUE(pictures::makePattern(source, 701, 97, 5));
    pictures::writeFile(folder.file("source.rgb"), pictures::rgbOf(source));
    struct Form {
        const char* options;
        bool accepted;
    };
    const Form forms[] = {
        {"-define png:color-type=2 -define png:bit-depth=8", true},
        {"-alpha set -channel A -fx 'i/w' +channel -define png:color-type=6 -define png:bit-depth=8", true},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=8", true},
        {"-colorspace gray -depth 4 -define png:color-type=0 -define png:bit-depth=4", true},
        {"-colorspace gray -depth 2 -define png:color-type=0 -define png:bit-depth=2", true},
        {"-colorspace gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1", true},
        {"-colors 200 -define png:color-type=3 -define png:bit-depth=8", true},
        {"-colors 14 -define png:color-type=3 -define png:bit-depth=4", true},
        {"-colors 4 -define png:color-type=3 -define png:bit-depth=2", true},
        {"-colors 2 -define png:color-type=3 -define png:bit-depth=1", true},
        {"-colors 30 -transparent-color white -transparent '#ffffff' -define png:color-type=3", true},
        {"-quality 95 -define png:color-type=2", true},
        {"-interlace PNG -define png:color-type=2", false},
        {"-depth 16 -define png:color-type=2 -define png:bit-depth=16", false},
        {"-colorspace gray -alpha set -define png:color-type=4", false},
    };
    int index = 0;
    for (const Form& form : forms) {
        std::string name = folder.file("im" + std::to_string(index++) + ".png");
        ASSERT_EQ(oracle::run("/usr/bin/convert -size 701x97 -depth 8 rgb:" + folder.file("source.rgb") + " " +
                              form.options + " " + name), 0) << form.options;
        RasterImage image;
        EXPECT_EQ(image.loadPng(name.c_str()), form.accepted) << form.options;
        if (!form.accepted) continue;
        EXPECT_EQ(pictures::rgbOf(image), oracle::magickRgb(name)) << form.options;
    }
}
#endif

// Every input that once made a fuzzer fail loads (or is refused) cleanly.
TEST(PngReaderRegressions, CrashersAreRefusedCleanly) {
#ifdef _WIN32
    const std::string folder = "Z:" SOURCE_DIR "/tests/data/crashers";
#else
    const std::string folder = SOURCE_DIR "/tests/data/crashers";
#endif
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        RasterImage image;
        image.loadAny(entry.path().string().c_str());
        int32_t w = -1, h = -1;
        probeImageSize(entry.path().string().c_str(), w, h);
        ++seen;
    }
    EXPECT_GT(seen, 0);
}
