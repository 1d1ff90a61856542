#include "image/raster_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "image/gif_writer.h"
#include "image/png_writer.h"
#include "tests/unit/image/pictures.h"

namespace {

uint32_t colourOf(const RasterImage& image, int x, int y) {
    const uint8_t* p = image.pixelAddress(x, y);
    return static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
}

// The census as a plain linear search, rows in memory order (bottom first);
// more than 256 colours gives an empty list.
std::vector<uint32_t> linearCensus(const RasterImage& image) {
    std::vector<uint32_t> found;
    for (int row = image.height() - 1; row >= 0; --row)
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t c = colourOf(image, x, row);
            if (std::find(found.begin(), found.end(), c) != found.end()) continue;
            if (found.size() == 256) return {};
            found.push_back(c);
        }
    return found;
}

// The census with its indices, the PNG writer's census and the GIF writer's
// look-up agree with the linear search: the same colours in the same order
// (unused entries zero; past 256 colours the palette untouched), each pixel's
// index its colour's position.
void expectLinearCensus(int w, int h, const std::function<uint32_t(int x, int y)>& colourAt, const std::string& label) {
    SCOPED_TRACE(label);
    RasterImage image;
    ASSERT_TRUE(pictures::paint(image, w, h, colourAt));
    const std::vector<uint32_t> expected = linearCensus(image);
    uint32_t palette[256], png[256];
    std::fill(palette, palette + 256, 0x55u);
    int count = -1, pngCount = -1;
    std::vector<uint8_t> indices(static_cast<size_t>(w) * h);
    ASSERT_TRUE(image.countColours(palette, count, indices.data(), static_cast<size_t>(w)));
    PngRaster raster;
    ASSERT_TRUE(preparePngPalette(image, raster, png, pngCount));
    ASSERT_EQ(count, static_cast<int>(expected.size()));
    EXPECT_EQ(pngCount, count);
    if (expected.empty()) {
        EXPECT_EQ(std::count(palette, palette + 256, 0x55u), 256);
        EXPECT_TRUE(raster.scanlines.empty());
        return;
    }
    std::vector<uint32_t> padded = expected;
    padded.resize(256, 0);
    EXPECT_EQ(std::vector<uint32_t>(palette, palette + 256), padded);
    EXPECT_EQ(std::vector<uint32_t>(png, png + 256), padded);
    std::string pngRows;
    for (int y = 0; y < h; ++y) {
        pngRows += '\0';
        for (int x = 0; x < w; ++x) {
            const auto position = std::find(expected.begin(), expected.end(), colourOf(image, x, y)) - expected.begin();
            ASSERT_EQ(indices[static_cast<size_t>(y) * w + x], position) << x << "," << y;
            pngRows += static_cast<char>(position);
        }
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raster.scanlines.data()), raster.scanlines.size()), pngRows);
    GifRaster gif;
    ASSERT_TRUE(prepareGif(image, gif, palette, count));
    EXPECT_TRUE(std::equal(indices.begin(), indices.end(), gif.indices.data()));
}

}  // namespace

TEST(RasterCensus, AgreesWithTheLinearSearch) {
    // Colours first met at the end of a row (the pixel read on its own,
    // without the byte after it), down to one pixel wide, among them black,
    // 0x000001 and white.
    for (int w = 1; w <= 6; ++w)
        for (int h = 1; h <= 4; ++h)
            expectLinearCensus(w, h, [w](int x, int y) {
                const uint32_t common[] = {0x000000, 0x000001, 0xFFFFFF};
                return x + 1 == w ? 0x123400u + static_cast<uint32_t>(y) : common[(x + y) % 3];
            }, "narrow " + std::to_string(w) + "x" + std::to_string(h));
    // 256 colours in the rows below lastRow, then a 257th (or a known one) at
    // the end of lastRow, the very last pixel visited when lastRow is 0.
    for (int w : {4, 5, 16, 17})
        for (int lastRow : {0, 8})
            for (uint32_t atEnd : {0xABCDEFu, pictures::colourNumber(3)}) {
                const int h = 2 * (256 / w + 2);
                expectLinearCensus(w, h, [&](int x, int y) {
                    if (y == lastRow && x + 1 == w) return atEnd;
                    const int k = (h - 1 - y) * w + x;
                    return pictures::colourNumber(y > lastRow ? k % 256 : k % 7);
                }, "row end " + std::to_string(w) + " " + std::to_string(lastRow));
            }
    // Colour sets that crowd a hash: greys, one channel only, steps of powers
    // of two.
    for (uint32_t step : {0x010101u, 0x010000u, 0x000100u, 0x000001u, 0x001000u, 0x100000u, 0x040404u, 0x000400u})
        for (int colours : {255, 256, 257})
            expectLinearCensus(23, 29, [&](int x, int y) {
                const int i = y * 23 + x, k = i < colours ? i : (i * 13 + y) % colours;
                return static_cast<uint32_t>(k) * step & 0xFFFFFF;
            }, "step " + std::to_string(step) + " colours " + std::to_string(colours));
}

// Nearest neighbour: target pixel (x, y) is source pixel (x·sw/tw, y·sh/th),
// so a reduction drops rows and columns and blends none.
TEST(RasterStretch, NearestNeighbour) {
    const int sizes[][4] = {{7, 5, 7, 5}, {8, 6, 4, 3}, {3, 2, 9, 4}, {9, 4, 2, 7}};
    for (const auto& s : sizes) {
        RasterImage source, target;
        ASSERT_TRUE(pictures::makePattern(source, s[0], s[1]) && target.create(s[2], s[3]));
        source.stretchTo(target);
        for (int y = 0; y < s[3]; ++y)
            for (int x = 0; x < s[2]; ++x)
                EXPECT_EQ(colourOf(target, x, y), colourOf(source, x * s[0] / s[2], y * s[1] / s[3])) << s[2] << "x" << s[3];
    }
}

// Each case: x, y, w, h, srcX, srcY (w and h 0 mean the picture's own size),
// then the area expected (source row counted from the bottom), or an empty
// one given as width 0.
TEST(RasterDraw, ClipsAsThePaintCallNeeds) {
    RasterImage image, none;
    ASSERT_TRUE(image.create(100, 50));
    const int cases[][12] = {
        {0, 0, 0, 0, 0, 0, 0, 0, 100, 50, 0, 0},     {-10, 0, 0, 0, 0, 0, 0, 0, 90, 50, 10, 0},
        {0, -5, 0, 0, 0, 0, 0, 0, 100, 45, 0, 0},    {3, 4, 20, 10, 30, 15, 3, 4, 20, 10, 30, 25},
        {0, 0, 50, 40, 70, 30, 0, 0, 30, 20, 70, 0}, {0, 0, 10, 10, 100, 0, 0, 0, 0, 0, 0, 0},
        {-200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        const RasterImage::DrawArea a = image.drawArea(c[0], c[1], c[2], c[3], c[4], c[5]);
        EXPECT_EQ(a.empty, c[8] == 0) << c[0] << " " << c[1] << " " << c[2] << " " << c[3] << " " << c[4] << " " << c[5];
        if (a.empty) continue;
        EXPECT_EQ((std::vector<int>{a.x, a.y, a.width, a.height, a.sourceX, a.sourceRow}), std::vector<int>(c + 6, c + 12));
    }
    EXPECT_TRUE(none.drawArea(0, 0, 0, 0, 0, 0).empty);
}
