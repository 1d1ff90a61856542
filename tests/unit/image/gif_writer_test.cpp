#include "image/gif_writer.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "save/picture_files.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/pictures.h"

using pictures::bytes;

namespace {

// The data sub-blocks of an LZW stream joined, and the block lengths seen.
std::string joinBlocks(const uint8_t* p, size_t n, std::vector<int>& lengths) {
    std::string data;
    size_t at = 0;
    while (at < n) {
        int length = p[at];
        lengths.push_back(length);
        data.append(reinterpret_cast<const char*>(p + at + 1), static_cast<size_t>(length));
        at += 1 + static_cast<size_t>(length);
        if (length == 0) break;
    }
    EXPECT_EQ(at, n) << "bytes after the terminating block";
    return data;
}

// A plain GIF LZW decoder (minimum code size 8), written from the format's
// description. Records the table size met at each clear code after the first.
struct Decoded {
    std::vector<uint8_t> indices;
    std::vector<int> nextCodeAtClear;
    bool ok = false;
};

Decoded lzwDecode(const std::string& data) {
    Decoded out;
    std::vector<std::vector<uint8_t>> table;
    auto resetTable = [&] {
        table.assign(258, {});
        for (int i = 0; i < 256; ++i) table[static_cast<size_t>(i)] = {static_cast<uint8_t>(i)};
    };
    resetTable();
    size_t bit = 0;
    int width = 9;
    int previous = -1;
    bool first = true;
    while (bit + static_cast<size_t>(width) <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= ((static_cast<uint8_t>(data[bit / 8]) >> (bit % 8)) & 1) << i;
        if (code == 256) {
            if (!first) out.nextCodeAtClear.push_back(static_cast<int>(table.size()));
            first = false;
            resetTable();
            width = 9;
            previous = -1;
            continue;
        }
        if (code == 257) {
            out.ok = true;
            return out;
        }
        std::vector<uint8_t> entry;
        if (code < static_cast<int>(table.size())) {
            entry = table[static_cast<size_t>(code)];
        } else if (code == static_cast<int>(table.size()) && previous >= 0) {
            entry = table[static_cast<size_t>(previous)];
            entry.push_back(entry[0]);
        } else {
            return out;
        }
        if (previous >= 0 && table.size() < 4096) {
            std::vector<uint8_t> added = table[static_cast<size_t>(previous)];
            added.push_back(entry[0]);
            table.push_back(added);
        }
        out.indices.insert(out.indices.end(), entry.begin(), entry.end());
        previous = code;
        if (static_cast<int>(table.size()) == (1 << width) && width < 12) ++width;
    }
    return out;
}

std::vector<uint8_t> randomIndices(size_t n, unsigned seed, int range) {
    std::mt19937 random(seed);
    std::vector<uint8_t> v(n);
    for (uint8_t& b : v) b = static_cast<uint8_t>(random() % static_cast<unsigned>(range));
    return v;
}

void rasterOf(const RasterImage& image, GifRaster& gif) {
    uint32_t palette[256];
    int count = 0;
    EXPECT_TRUE(image.countColours(palette, count));
    EXPECT_TRUE(prepareGif(image, gif, palette, count));
}

}  // namespace

TEST(LzwWriterCodes, OnePixelGivesClearZeroEnd) {
    LzwWriter lzw;
    const uint8_t index = 0;
    ASSERT_TRUE(lzw.compress(&index, 1));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(lzw.data()), lzw.size()), bytes({4, 0, 1, 4, 4, 0}));
}

TEST(LzwWriterCodes, RoundTripsThroughAPlainDecoder) {
    for (int range : {1, 2, 7, 256}) {
        for (size_t n : {size_t{2}, size_t{100}, size_t{5000}, size_t{70000}}) {
            std::vector<uint8_t> in = randomIndices(n, static_cast<unsigned>(n + static_cast<size_t>(range)), range);
            LzwWriter lzw;
            ASSERT_TRUE(lzw.compress(in.data(), in.size()));
            std::vector<int> lengths;
            Decoded d = lzwDecode(joinBlocks(lzw.data(), lzw.size(), lengths));
            ASSERT_TRUE(d.ok) << range << " " << n;
            EXPECT_EQ(d.indices, in) << range << " " << n;
        }
    }
}

TEST(LzwWriterCodes, ClearsAfter3837StringsAtTwelveBits) {
    std::vector<uint8_t> in = randomIndices(40000, 11, 256);
    LzwWriter lzw;
    ASSERT_TRUE(lzw.compress(in.data(), in.size()));
    std::vector<int> lengths;
    Decoded d = lzwDecode(joinBlocks(lzw.data(), lzw.size(), lengths));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.indices, in);
    // The decoder's table is one entry behind the encoder's: 258 + 3837.
    ASSERT_GE(d.nextCodeAtClear.size(), 2u);
    for (int next : d.nextCodeAtClear) EXPECT_EQ(next, 4095);
}

TEST(LzwWriterBlocks, FullBlocksOf255ThenTheRest) {
    bool saw255 = false, saw256 = false;
    for (size_t n = 150; n < 400 && !(saw255 && saw256); ++n) {
        std::vector<uint8_t> in = randomIndices(n, 3, 256);
        LzwWriter lzw;
        ASSERT_TRUE(lzw.compress(in.data(), in.size()));
        std::vector<int> lengths;
        std::string data = joinBlocks(lzw.data(), lzw.size(), lengths);
        if (data.size() == 255) {
            saw255 = true;
            EXPECT_EQ(lengths, (std::vector<int>{255, 0}));
        }
        if (data.size() == 256) {
            saw256 = true;
            EXPECT_EQ(lengths, (std::vector<int>{255, 1, 0}));
        }
        EXPECT_EQ(lzwDecode(data).indices, in);
    }
    EXPECT_TRUE(saw255);
    EXPECT_TRUE(saw256);
}

TEST(GifWriterLayout, OnePixelFile) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(image.create(1, 1));
    pictures::setPixel(image, 0, 0, 0x12, 0x34, 0x56);
    GifRaster gif;
    rasterOf(image, gif);
    ASSERT_TRUE(writeGif(gif, "one.gif", -1));
    std::string expected = "GIF89a" + bytes({1, 0, 1, 0, 0xF0, 0, 0}) + bytes({0x12, 0x34, 0x56, 0, 0, 0}) +
                           bytes({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0}) + bytes({8, 4, 0, 1, 4, 4, 0, 0x3B});
    EXPECT_EQ(folder.read("one.gif"), expected);
}

TEST(GifWriterLayout, TableSizeCodeFollowsTheColourCount) {
    TempFolder folder;
    const int cases[][3] = {{2, 0xF0, 2}, {3, 0xF1, 4}, {5, 0xF2, 8}, {16, 0xF3, 16}, {17, 0xF4, 32},
                            {64, 0xF5, 64}, {65, 0xF6, 128}, {129, 0xF7, 256}, {256, 0xF7, 256}};
    for (const auto& c : cases) {
        RasterImage image;
        ASSERT_TRUE(pictures::makeColours(image, 17, 16, c[0]));
        GifRaster gif;
        rasterOf(image, gif);
        ASSERT_TRUE(writeGif(gif, "t.gif", -1));
        std::string file = folder.read("t.gif");
        EXPECT_EQ(static_cast<uint8_t>(file[10]), c[1]) << c[0];
        const size_t table = static_cast<size_t>(c[2]) * 3;
        EXPECT_EQ(static_cast<uint8_t>(file[13 + table]), 0x2C) << c[0];
        // Entries from the colour count on are black.
        EXPECT_EQ(file.substr(13 + static_cast<size_t>(c[0]) * 3, table - static_cast<size_t>(c[0]) * 3),
                  std::string(table - static_cast<size_t>(c[0]) * 3, '\0'));
    }
}

TEST(GifWriterLayout, TransparentColourInThePaletteOnly) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makeColours(image, 4, 2, 8));
    GifRaster gif;
    rasterOf(image, gif);
    const uint8_t* entry5 = gif.paletteData.data() + 15;
    int32_t user = entry5[0] | entry5[1] << 8 | entry5[2] << 16;
    ASSERT_TRUE(writeGif(gif, "t.gif", user));
    std::string file = folder.read("t.gif");
    EXPECT_EQ(file.substr(13 + 24, 8), bytes({0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x05, 0x00}));
    ASSERT_TRUE(writeGif(gif, "n.gif", 0x7F7F7E));
    EXPECT_EQ(static_cast<uint8_t>(folder.read("n.gif")[13 + 24]), 0x2C);
    ASSERT_TRUE(writeGif(gif, "m.gif", -1));
    EXPECT_EQ(folder.read("n.gif"), folder.read("m.gif"));
}

TEST(GifWriterFailure, RefusesWhatItCannotWrite) {
    TempFolder folder;
    RasterImage image;
    ASSERT_TRUE(pictures::makeColours(image, 20, 20, 300));
    EXPECT_FALSE(saveGif(image, "many.gif", -1));
    EXPECT_FALSE(folder.exists("many.gif"));
    GifRaster empty;
    EXPECT_FALSE(writeGif(empty, "empty.gif", -1));
    EXPECT_FALSE(folder.exists("empty.gif"));
    ASSERT_TRUE(pictures::makeColours(image, 3, 3, 3));
    GifRaster gif;
    rasterOf(image, gif);
    EXPECT_FALSE(writeGif(gif, "no/folder.gif", -1));
    uint32_t palette[256] = {};
    EXPECT_FALSE(prepareGif(image, gif, palette, 0));
    EXPECT_FALSE(prepareGif(image, gif, palette, 257));
}

#ifndef _WIN32
namespace {

// The palette lines of gifbuild's dump, "rgb R G B is i", in order.
std::string dumpedPalette(const std::string& dump) {
    std::istringstream in(dump);
    std::string line, out;
    while (std::getline(in, line))
        if (line.rfind("\trgb ", 0) == 0) out += line.substr(0, line.find(" is ")) + "\n";
    return out;
}

}  // namespace

// giflib's tools and ImageMagick decode exactly our pixels and palette.
TEST(GifWriterOracle, GiflibAndImageMagickAgree) {
    TempFolder folder;
    const int sizes[][3] = {{1, 1, 1}, {3, 2, 3}, {7, 5, 20}, {33, 17, 129}, {64, 70, 256}, {301, 200, 256}};
    for (const auto& s : sizes) {
        RasterImage image;
        ASSERT_TRUE(pictures::makeColours(image, s[0], s[1], s[2]));
        std::string name = folder.file("g" + std::to_string(s[0]) + ".gif");
        uint32_t palette[256];
        int count;
        ASSERT_TRUE(image.countColours(palette, count));
        // The transparent colour in the user form 0x00BBGGRR: palette entry 1.
        const uint32_t census = palette[1];
        const int32_t user = static_cast<int32_t>((census & 0xFF) << 16 | (census & 0xFF00) | census >> 16);
        ASSERT_TRUE(saveGif(image, name.c_str(), user));
        EXPECT_EQ(oracle::run("giftext " + name), 0) << name;
        std::string dump;
        ASSERT_EQ(oracle::run("gifbuild -d " + name, &dump), 0) << name;
        std::string expected;
        int entries = 2;
        while (entries < count) entries *= 2;
        for (int i = 0; i < entries; ++i) {
            char line[64];
            uint32_t c = i < count ? palette[i] : 0;
            std::snprintf(line, sizeof line, "\trgb %03u %03u %03u\n", c >> 16, c >> 8 & 255, c & 255);
            expected += line;
        }
        EXPECT_EQ(dumpedPalette(dump), expected) << name;
        if (s[2] > 1) {
            EXPECT_NE(dump.find("transparent index 1\n"), std::string::npos) << name;
        }
        std::string rgbName = name + ".rgb";
        ASSERT_EQ(oracle::run("gif2rgb -1 -o " + rgbName + " " + name), 0);
        EXPECT_EQ(pictures::readFile(rgbName), pictures::rgbOf(image)) << name;
        EXPECT_EQ(oracle::magickRgb(name), pictures::rgbOf(image)) << name;
    }
}
#endif
