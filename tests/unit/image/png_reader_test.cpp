#include "image/png_reader.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/pictures.h"

using pictures::bytes;

namespace {

// Hand-made PNG files of any form, independent of the codec.
const std::string signature = bytes({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A});

std::string big32(uint32_t v) {
    return bytes({static_cast<int>(v >> 24), static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255), static_cast<int>(v & 255)});
}

std::string chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return big32(static_cast<uint32_t>(data.size())) + body + big32(static_cast<uint32_t>(crc));
}

std::string header(uint32_t w, uint32_t h, int depth, int colourType, int interlace = 0) {
    return chunk("IHDR", big32(w) + big32(h) + bytes({depth, colourType, 0, 0, interlace}));
}

std::string deflateAll(const std::string& data, int level = 6) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    std::string out(n, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &n, reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), level);
    return out.substr(0, n);
}

int paeth(int left, int up, int corner) {
    const int estimate = left + up - corner;
    const int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up), toCorner = std::abs(estimate - corner);
    if (toLeft <= toUp && toLeft <= toCorner) return left;
    return toUp <= toCorner ? up : corner;
}

// Raw rows of `length` bytes filtered as the format describes, each row with
// the next filter of the list.
std::string filterRows(const std::string& raw, size_t length, size_t distance, const std::vector<int>& filters) {
    std::string out, above(length, '\0');
    for (size_t y = 0; y * length < raw.size(); ++y) {
        const std::string row = raw.substr(y * length, length);
        const int f = filters[y % filters.size()];
        out += static_cast<char>(f);
        for (size_t i = 0; i < length; ++i) {
            const int left = i >= distance ? static_cast<uint8_t>(row[i - distance]) : 0;
            const int up = static_cast<uint8_t>(above[i]);
            const int corner = i >= distance ? static_cast<uint8_t>(above[i - distance]) : 0;
            const int prediction = f == 1 ? left : f == 2 ? up : f == 3 ? (left + up) / 2 : f == 4 ? paeth(left, up, corner) : 0;
            out += static_cast<char>((static_cast<uint8_t>(row[i]) - prediction) & 255);
        }
        above = row;
    }
    return out;
}

std::string pngOf(const std::string& ihdr, const std::string& middle, const std::string& idat) {
    return signature + ihdr + middle + chunk("IDAT", idat) + chunk("IEND", "");
}

std::string patternRgb(int w, int h) {
    RasterImage image;
    EXPECT_TRUE(pictures::makePattern(image, w, h, 1));
    return pictures::rgbOf(image);
}

struct Case {
    std::string what, file;
    std::string rgb;  // the decoded pixels; empty: the file is refused
};

// Hand-made files: every filter, and each way a file can be odd or broken.
std::vector<Case> craftedFiles(const TempFolder& folder) {
    std::vector<Case> cases;
    // Rows wide enough that the zlib path (taken for a stream longer than the
    // scanlines) meets Up, Average and Paeth at the start of a piece of rows.
    const int wide = 4000;
    const std::string rgb = patternRgb(wide, 9);
    for (int channels : {3, 4}) {
        std::string raw;
        for (size_t i = 0; i < rgb.size(); i += 3) raw += rgb.substr(i, 3) + std::string(channels - 3, static_cast<char>(i * 7));
        const std::string rows = filterRows(raw, wide * channels, channels, {0, 1, 2, 3, 4, 4, 3, 2, 1});
        const std::string ihdr = header(wide, 9, 8, channels == 3 ? 2 : 6);
        cases.push_back({"every filter, " + std::to_string(channels) + " channels", pngOf(ihdr, "", deflateAll(rows)), rgb});
        cases.push_back({"every filter, longer stream", pngOf(ihdr, "", deflateAll(rows + std::string(500, '\7'))), rgb});
    }
    const std::string five = patternRgb(5, 1);
    for (int f = 1; f <= 4; ++f)
        cases.push_back({"first row filter " + std::to_string(f), pngOf(header(5, 1, 8, 2), "", deflateAll(filterRows(five, 15, 3, {f}))), five});

    const std::string ihdr = header(40, 600, 8, 2), raw = patternRgb(40, 600);
    const std::string rows = filterRows(raw, 120, 3, {0}), data = deflateAll(rows);
    const std::string kept = raw.substr(0, 100 * 120) + std::string(500 * 120, '\0');
    const std::string end = chunk("IEND", ""), empty = chunk("IDAT", "");
    // Stored blocks: the zlib header and the first block's header, then the rows.
    cases.push_back({"stream cut after 100 rows", pngOf(ihdr, "", deflateAll(rows, 0).substr(0, 7 + 100 * 121)), kept});
    cases.push_back({"stream ended after 100 rows", pngOf(ihdr, "", deflateAll(rows.substr(0, 100 * 121))), kept});
    cases.push_back({"empty chunk after the stream", signature + ihdr + chunk("IDAT", data) + empty + end, raw});
    cases.push_back({"empty chunk inside the stream",
                     signature + ihdr + chunk("IDAT", data.substr(0, 40)) + empty + chunk("IDAT", data.substr(40)) + end, ""});
    std::string split = signature + chunk("tEXt", std::string("Comment\0x", 9)) + ihdr +
                        chunk("PLTE", bytes({1, 2, 3})) + chunk("gAMA", big32(45455));
    for (size_t at = 0; at < data.size(); at += 7000) split += chunk("IDAT", data.substr(at, 7000)) + chunk("tEXt", "T");
    cases.push_back({"image data split by other chunks", split + end, raw});
    cases.push_back({"no image data", signature + header(2, 2, 8, 2) + end, std::string(12, '\0')});
    cases.push_back({"huge chunk skipped", signature + header(2, 2, 8, 2) + big32(0xFFFFFFF0) + "zzzz", std::string(12, '\0')});
    cases.push_back({"index beyond the palette",
                     pngOf(header(3, 1, 8, 3), chunk("PLTE", bytes({9, 8, 7, 6, 5, 4})), deflateAll(bytes({0, 1, 2, 255}))),
                     bytes({6, 5, 4, 0, 0, 0, 0, 0, 0})});

    const std::string good = pngOf(header(1, 1, 8, 2), "", deflateAll(bytes({0, 1, 2, 3})));
    cases.push_back({"one pixel", good, bytes({1, 2, 3})});
    for (size_t i = 0; i < 8; ++i) {
        std::string bad = good;
        bad[i] = static_cast<char>(bad[i] ^ 0x20);
        cases.push_back({"signature byte " + std::to_string(i), bad, ""});
    }
    const std::string zeros = deflateAll(std::string(64, '\0')), two = header(2, 2, 8, 2);
    const std::pair<const char*, std::string> refused[] = {
        {"interlaced", pngOf(header(2, 2, 8, 2, 1), "", zeros)},
        {"16 bits", pngOf(header(2, 2, 16, 2), "", zeros)},
        {"grey with alpha", pngOf(header(2, 2, 8, 4), "", zeros)},
        {"depth 3", pngOf(header(2, 2, 3, 0), "", zeros)},
        {"4-bit true colour", pngOf(header(2, 2, 4, 2), "", zeros)},
        {"palette without PLTE", pngOf(header(2, 2, 8, 3), "", zeros)},
        {"palette of 257 entries", pngOf(header(2, 2, 8, 3), chunk("PLTE", std::string(771, '\0')), zeros)},
        {"zero width", pngOf(header(0, 2, 8, 2), "", zeros)},
        {"too wide", pngOf(header(32768, 1, 8, 2), "", zeros)},
        {"too high", pngOf(header(1, 0x80000000u, 8, 2), "", zeros)},
        {"above the memory cap", pngOf(header(20000, 20000, 8, 2), "", zeros)},
        {"short IHDR", signature + chunk("IHDR", std::string(12, '\1'))},
        {"no IHDR", signature},
        {"empty", ""},
        {"IDAT beyond the file", signature + two + big32(0x7FFFFFF0) + "IDAT" + "abc"},
        {"IDAT of 2^32 - 1 bytes", signature + two + big32(0xFFFFFFFF) + "IDAT"},
        {"PLTE beyond the file", signature + header(2, 2, 8, 3) + big32(600) + "PLTE" + "abc"},
    };
    for (const auto& [what, file] : refused) cases.push_back({what, file, ""});
    // Every input that once made a fuzzer fail.
    const size_t before = cases.size();
    for (const auto& entry : std::filesystem::directory_iterator(hostDrive + SOURCE_DIR "/tests/data/crashers"))
        cases.push_back({entry.path().filename().string(), folder.read(entry.path().string()), ""});
    EXPECT_GT(cases.size(), before);
    return cases;
}

}  // namespace

TEST(PngReader, CraftedFiles) {
    TempFolder folder;
    for (const Case& c : craftedFiles(folder)) {
        folder.write("in.png", c.file);
        RasterImage image;
        EXPECT_EQ(image.loadPng("in.png"), !c.rgb.empty()) << c.what;
        EXPECT_EQ(image.isEmpty(), c.rgb.empty()) << c.what;
        if (image.isEmpty()) continue;
        EXPECT_EQ(image.bytesPerPixel(), 3) << c.what;
        EXPECT_TRUE(pictures::rgbOf(image) == c.rgb) << c.what;
    }
}

#ifndef _WIN32
// Files written by ImageMagick in every accepted form (the refused forms are
// in the crafted table), decoded pixel for pixel as ImageMagick decodes them.
TEST(PngReaderOracle, FilesWrittenByImageMagick) {
    TempFolder folder;
    RasterImage source;
    // Large enough for many pieces of rows and ImageMagick's own filter choices.
    ASSERT_TRUE(pictures::makePattern(source, 701, 97, 5));
    folder.write("source.rgb", pictures::rgbOf(source));
    for (const char* options : {
             "-define png:color-type=2 -define png:bit-depth=8",
             "-alpha set -channel A -fx 'i/w' +channel -define png:color-type=6 -define png:bit-depth=8",
             "-colorspace gray -define png:color-type=0 -define png:bit-depth=8",
             "-colorspace gray -depth 4 -define png:color-type=0 -define png:bit-depth=4",
             "-colorspace gray -depth 2 -define png:color-type=0 -define png:bit-depth=2",
             "-colorspace gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1",
             "-colors 200 -define png:color-type=3 -define png:bit-depth=8",
             "-colors 14 -define png:color-type=3 -define png:bit-depth=4",
             "-colors 4 -define png:color-type=3 -define png:bit-depth=2",
             "-colors 2 -define png:color-type=3 -define png:bit-depth=1",
             "-colors 30 -transparent-color white -transparent '#ffffff' -define png:color-type=3",
         }) {
        ASSERT_EQ(oracle::run(std::string("/usr/bin/convert -size 701x97 -depth 8 rgb:source.rgb ") + options + " im.png"), 0) << options;
        RasterImage image;
        EXPECT_TRUE(image.loadPng("im.png")) << options;
        EXPECT_EQ(pictures::rgbOf(image), oracle::magickRgb(folder.file("im.png"))) << options;
    }
}
#endif
