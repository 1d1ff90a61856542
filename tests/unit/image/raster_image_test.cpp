#include "image/raster_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "tests/unit/image/pictures.h"

using pictures::setPixel;

TEST(RasterLayout, StrideAndRowOrder) {
    RasterImage one;
    ASSERT_TRUE(one.create(1, 1));
    EXPECT_EQ(one.stride(), 4);
    EXPECT_EQ(one.bytesPerPixel(), 3);
    EXPECT_EQ(one.pixelAddress(0, 0), one.bits());
    RasterImage five;
    ASSERT_TRUE(five.create(5, 3));
    EXPECT_EQ(five.stride(), 16);
    // The top row is the last in memory; x steps three bytes.
    EXPECT_EQ(five.pixelAddress(0, 0), five.bits() + 2 * 16);
    EXPECT_EQ(five.pixelAddress(4, 2), five.bits() + 12);
    EXPECT_EQ(five.pixelAddress(5, 0), nullptr);
    EXPECT_EQ(five.pixelAddress(0, 3), nullptr);
    EXPECT_EQ(five.pixelAddress(-1, 0), nullptr);
    EXPECT_EQ(five.pixelAddress(0, -1), nullptr);
}

TEST(RasterLayout, CreateRefusesBadSizesAndEmptiesTheImage) {
    RasterImage image;
    ASSERT_TRUE(image.create(4, 4));
    EXPECT_FALSE(image.create(0, 4));
    EXPECT_TRUE(image.isEmpty());
    EXPECT_EQ(image.width(), 0);
    EXPECT_FALSE(image.create(4, -1));
    EXPECT_FALSE(image.create(RasterImage::maxSide + 1, 1));
    EXPECT_FALSE(image.create(4, 4, 16));
    // 13000 × 13000 fits the pixel cap; 15000 × 15000 does not.
    uint32_t bytes = 0;
    EXPECT_TRUE(RasterImage::sizeAllowed(13000, 13000, 24, bytes));
    EXPECT_EQ(bytes, 39000u * 13000u);
    EXPECT_FALSE(RasterImage::sizeAllowed(15000, 15000, 24, bytes));
    EXPECT_FALSE(image.create(15000, 15000));
    EXPECT_EQ(image.pixelAddress(0, 0), nullptr);
    ASSERT_TRUE(image.create(3, 2, 32));
    EXPECT_EQ(image.stride(), 12);
    EXPECT_EQ(image.bytesPerPixel(), 4);
}

TEST(RasterStretch, SameSizeIsAnExactCopy) {
    RasterImage a, b;
    ASSERT_TRUE(pictures::makePattern(a, 7, 5));
    ASSERT_TRUE(b.create(7, 5));
    a.stretchTo(b);
    EXPECT_EQ(pictures::rgbOf(a), pictures::rgbOf(b));
}

TEST(RasterStretch, ReductionDropsRowsAndColumnsWithoutBlending) {
    RasterImage a, b;
    ASSERT_TRUE(pictures::makePattern(a, 8, 6));
    ASSERT_TRUE(b.create(4, 3));
    a.stretchTo(b);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint8_t* p = b.pixelAddress(x, y);
            const uint8_t* q = a.pixelAddress(2 * x, 2 * y);
            EXPECT_EQ(std::vector<uint8_t>(p, p + 3), std::vector<uint8_t>(q, q + 3)) << x << "," << y;
        }
}

TEST(RasterStretch, EnlargementRepeatsPixels) {
    RasterImage a, b;
    ASSERT_TRUE(pictures::makePattern(a, 3, 2));
    ASSERT_TRUE(b.create(9, 4));
    a.stretchTo(b);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(0, std::memcmp(b.pixelAddress(x, y), a.pixelAddress(x / 3, y / 2), 3));
}

TEST(RasterStretch, ConvertsThirtyTwoBitsToTwentyFour) {
    RasterImage image;
    ASSERT_TRUE(image.create(5, 3, 32));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = image.pixelAddress(x, y);
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x * 10 + y);
            p[3] = 77;
        }
    ASSERT_TRUE(image.convertTo24Bits());
    EXPECT_EQ(image.bytesPerPixel(), 3);
    EXPECT_EQ(image.width(), 5);
    EXPECT_EQ(image.stride(), 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint8_t* p = image.pixelAddress(x, y);
            EXPECT_EQ(p[0], x);
            EXPECT_EQ(p[1], y);
            EXPECT_EQ(p[2], x * 10 + y);
        }
    EXPECT_TRUE(image.convertTo24Bits());
    RasterImage empty;
    EXPECT_FALSE(empty.convertTo24Bits());
}

struct DrawCase {
    int x, y, w, h, srcX, srcY;
    int ex, ey, ew, eh, eSourceX, eSourceRow;
    bool empty;
};

TEST(RasterDraw, ClipsAsThePaintCallNeeds) {
    RasterImage image;
    ASSERT_TRUE(image.create(100, 50));
    const DrawCase cases[] = {
        // whole picture: w and h 0 mean the picture's own size
        {0, 0, 0, 0, 0, 0, 0, 0, 100, 50, 0, 0, false},
        // x = -10 paints 90 columns from source column 10 at x 0
        {-10, 0, 0, 0, 0, 0, 0, 0, 90, 50, 10, 0, false},
        {0, -5, 0, 0, 0, 0, 0, 0, 100, 45, 0, 0, false},
        // a part: source row counted from the bottom
        {3, 4, 20, 10, 30, 15, 3, 4, 20, 10, 30, 25, false},
        // past the right and bottom edges
        {0, 0, 50, 40, 70, 30, 0, 0, 30, 20, 70, 0, false},
        {0, 0, 10, 10, 100, 0, 0, 0, 0, 0, 0, 0, true},
        {-200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, true},
    };
    for (const DrawCase& c : cases) {
        RasterImage::DrawArea a = image.drawArea(c.x, c.y, c.w, c.h, c.srcX, c.srcY);
        SCOPED_TRACE(testing::Message() << c.x << " " << c.y << " " << c.w << " " << c.h << " " << c.srcX << " "
                                        << c.srcY);
        EXPECT_EQ(a.empty, c.empty);
        if (c.empty) continue;
        EXPECT_EQ(a.x, c.ex);
        EXPECT_EQ(a.y, c.ey);
        EXPECT_EQ(a.width, c.ew);
        EXPECT_EQ(a.height, c.eh);
        EXPECT_EQ(a.sourceX, c.eSourceX);
        EXPECT_EQ(a.sourceRow, c.eSourceRow);
    }
    RasterImage none;
    EXPECT_TRUE(none.drawArea(0, 0, 0, 0, 0, 0).empty);
}

namespace {

// The census as a plain linear search, rows in memory order.
std::vector<uint32_t> linearCensus(const RasterImage& image, bool& tooMany) {
    std::vector<uint32_t> found;
    tooMany = false;
    for (int row = image.height() - 1; row >= 0; --row)
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t* p = image.pixelAddress(x, row);
            uint32_t c = static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
            bool known = false;
            for (uint32_t f : found) known = known || f == c;
            if (known) continue;
            if (found.size() == 256) {
                tooMany = true;
                return found;
            }
            found.push_back(c);
        }
    return found;
}

}  // namespace

TEST(RasterCensus, BottomLeftPixelComesFirst) {
    RasterImage image;
    ASSERT_TRUE(image.create(3, 2));
    setPixel(image, 0, 0, 1, 2, 3);
    setPixel(image, 1, 0, 1, 2, 3);
    setPixel(image, 2, 0, 9, 9, 9);
    setPixel(image, 0, 1, 0xAA, 0xBB, 0xCC);
    setPixel(image, 1, 1, 1, 2, 3);
    setPixel(image, 2, 1, 0xAA, 0xBB, 0xCC);
    uint32_t palette[256];
    std::fill(palette, palette + 256, 0xDEADu);
    int count = -1;
    ASSERT_TRUE(image.countColours(palette, count));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(palette[0], 0xAABBCCu);
    EXPECT_EQ(palette[1], 0x010203u);
    EXPECT_EQ(palette[2], 0x090909u);
    for (int i = 3; i < 256; ++i) EXPECT_EQ(palette[i], 0u);
}

TEST(RasterCensus, ExactlyTwoHundredFiftySixAndOneMore) {
    RasterImage image;
    ASSERT_TRUE(pictures::makeColours(image, 37, 11, 256));
    uint32_t palette[256];
    int count = 0;
    ASSERT_TRUE(image.countColours(palette, count));
    EXPECT_EQ(count, 256);
    ASSERT_TRUE(pictures::makeColours(image, 37, 11, 257));
    std::fill(palette, palette + 256, 0x123456u);
    ASSERT_TRUE(image.countColours(palette, count));
    EXPECT_EQ(count, 0);
    for (uint32_t c : palette) EXPECT_EQ(c, 0x123456u);
    ASSERT_TRUE(image.countColours(nullptr, count));
    EXPECT_EQ(count, 0);
}

TEST(RasterCensus, AgreesWithTheLinearSearchOnRandomPictures) {
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
        int w = 1 + static_cast<int>(random() % 61), h = 1 + static_cast<int>(random() % 23);
        int colours = 1 + static_cast<int>(random() % 300);
        RasterImage image;
        ASSERT_TRUE(image.create(w, h));
        std::vector<uint32_t> choice(static_cast<size_t>(colours));
        for (uint32_t& c : choice) c = random() & 0xFFFFFF;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t c = choice[random() % choice.size()];
                setPixel(image, x, y, static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                         static_cast<uint8_t>(c));
            }
        bool tooMany;
        std::vector<uint32_t> expected = linearCensus(image, tooMany);
        uint32_t palette[256];
        int count = -1;
        ASSERT_TRUE(image.countColours(palette, count));
        if (tooMany) {
            EXPECT_EQ(count, 0);
            continue;
        }
        ASSERT_EQ(count, static_cast<int>(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(palette[i], expected[i]);
    }
}

namespace {

// The census and its per-pixel positions checked against the linear search:
// the same colours in the same order, and each pixel's index its colour's
// position in that list.
void expectLinearCensus(const RasterImage& image, const std::string& label) {
    bool tooMany;
    const std::vector<uint32_t> expected = linearCensus(image, tooMany);
    uint32_t palette[256];
    int count = -1;
    std::vector<uint8_t> indices(static_cast<size_t>(image.width()) * image.height(), 0xEE);
    ASSERT_TRUE(image.countColours(palette, count, indices.data(), static_cast<size_t>(image.width()))) << label;
    if (tooMany) {
        EXPECT_EQ(count, 0) << label;
        return;
    }
    ASSERT_EQ(count, static_cast<int>(expected.size())) << label;
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(palette[i], expected[i]) << label << " entry " << i;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t* p = image.pixelAddress(x, y);
            const uint32_t c = static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
            const size_t position =
                static_cast<size_t>(std::find(expected.begin(), expected.end(), c) - expected.begin());
            EXPECT_EQ(indices[static_cast<size_t>(y) * image.width() + x], position) << label << " at " << x << "," << y;
        }
}

void setColour(RasterImage& image, int x, int y, uint32_t c) {
    setPixel(image, x, y, static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c));
}

}  // namespace

// Colours first met at the end of a row (the pixel read on its own, without
// the byte after it), in pictures down to one pixel wide, among them black,
// 0x000001 and white.
TEST(RasterCensus, ColoursMetAtRowEndsInNarrowPictures) {
    for (int w = 1; w <= 6; ++w)
        for (int h = 1; h <= 4; ++h) {
            RasterImage image;
            ASSERT_TRUE(image.create(w, h));
            const uint32_t common[] = {0x000000, 0x000001, 0xFFFFFF};
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    setColour(image, x, y, x + 1 == w ? 0x123400u + static_cast<uint32_t>(y) : common[(x + y) % 3]);
            expectLinearCensus(image, std::to_string(w) + "x" + std::to_string(h));
        }
}

// The 257th colour stops the census wherever it is met: at the end of a row
// inside the picture, and as the top-right pixel, the very last one visited.
TEST(RasterCensus, TwoHundredFiftySeventhColourAtARowEnd) {
    for (int w : {4, 5, 16, 17}) {
        const int h = 2 * (256 / w + 2);
        for (int lastRow : {0, h / 2}) {
            RasterImage image;
            ASSERT_TRUE(image.create(w, h));
            // 256 colours in the rows below lastRow (memory order first), then
            // a new one at the end of lastRow, then known colours only.
            int k = 0;
            for (int y = h - 1; y >= 0; --y)
                for (int x = 0; x < w; ++x) {
                    uint32_t c = pictures::colourNumber(k < 256 ? k : k % 256);
                    if (y > lastRow || (y == lastRow && x + 1 < w)) ++k;
                    if (y == lastRow && x + 1 == w) c = 0xABCDEF;
                    setColour(image, x, y, c);
                }
            ASSERT_GE(k, 256) << w;
            uint32_t palette[256];
            std::fill(palette, palette + 256, 0x55u);
            int count = -1;
            ASSERT_TRUE(image.countColours(palette, count));
            EXPECT_EQ(count, 0) << w << " row " << lastRow;
            EXPECT_EQ(palette[0], 0x55u);
            // The same pixel in a colour already known: exactly 256.
            setColour(image, w - 1, lastRow, pictures::colourNumber(3));
            ASSERT_TRUE(image.countColours(palette, count));
            EXPECT_EQ(count, 256) << w << " row " << lastRow;
            expectLinearCensus(image, std::to_string(w) + " row " + std::to_string(lastRow));
        }
    }
}

// Sets of colours that crowd a hash (greys, one channel only, steps of powers
// of two, neighbours) are counted and indexed as the linear search does.
TEST(RasterCensus, StructuredColourSetsAgreeWithTheLinearSearch) {
    const uint32_t steps[] = {0x010101, 0x010000, 0x000100, 0x000001, 0x001000, 0x100000, 0x040404, 0x000400};
    for (uint32_t step : steps)
        for (int colours : {255, 256, 257}) {
            RasterImage image;
            const int w = 23, h = 29;
            ASSERT_TRUE(image.create(w, h));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int i = y * w + x;
                    const int k = i < colours ? i : (i * 13 + y) % colours;
                    setColour(image, x, y, (static_cast<uint32_t>(k) * step) & 0xFFFFFF);
                }
            expectLinearCensus(image, "step " + std::to_string(step) + " colours " + std::to_string(colours));
        }
}

TEST(RasterCensus, RefusesOtherDepths) {
    RasterImage image;
    ASSERT_TRUE(image.create(2, 2, 32));
    int count = 99;
    EXPECT_FALSE(image.countColours(nullptr, count));
    EXPECT_EQ(count, 99);
    RasterImage empty;
    EXPECT_FALSE(empty.countColours(nullptr, count));
}
