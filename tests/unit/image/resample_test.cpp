#include "image/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/unit/image/pictures.h"

namespace {

// An independent Lanczos-3 in double precision: the same sampling geometry,
// weights normalised without fixed point, the intermediate clipped to 0 … 255
// (it is a picture) but kept in double until the final rounding.
double lanczos(double x) {
    if (x == 0) return 1;
    if (std::fabs(x) >= 3) return 0;
    const double pi = std::acos(-1.0);
    return 3 * std::sin(pi * x) * std::sin(pi * x / 3) / (pi * pi * x * x);
}

struct Taps {
    std::vector<int> index;
    std::vector<double> weight;
};

std::vector<Taps> referenceTable(int s, int d) {
    std::vector<Taps> table(static_cast<size_t>(d));
    const double scale = s < d ? 1.0 : static_cast<double>(s) / d;
    for (int i = 0; i < d; ++i) {
        const double centre = (i + 0.5) * s / d;  // in source coordinates
        const double reach = 3 * scale;
        double sum = 0;
        for (int e = static_cast<int>(std::floor(centre - reach)) - 1; e <= static_cast<int>(std::ceil(centre + reach)) + 1; ++e) {
            const double w = lanczos((e + 0.5 - centre) / scale);
            if (w == 0) continue;
            table[static_cast<size_t>(i)].index.push_back(e < 0 ? 0 : e >= s ? s - 1 : e);
            table[static_cast<size_t>(i)].weight.push_back(w);
            sum += w;
        }
        for (double& w : table[static_cast<size_t>(i)].weight) w /= sum;
    }
    return table;
}

uint8_t clampRound(double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : std::floor(v + 0.5)); }

// rgb rows top first → rgb rows top first.
std::vector<uint8_t> referenceResample(const std::vector<uint8_t>& in, int w, int h, int nw, int nh) {
    std::vector<double> middle(static_cast<size_t>(nw) * h * 3);
    std::vector<uint8_t> out(static_cast<size_t>(nw) * nh * 3);
    auto horizontal = referenceTable(w, nw), vertical = referenceTable(h, nh);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                const Taps& t = horizontal[static_cast<size_t>(x)];
                for (size_t k = 0; k < t.index.size(); ++k) v += t.weight[k] * in[(static_cast<size_t>(y) * w + t.index[k]) * 3 + c];
                middle[(static_cast<size_t>(y) * nw + x) * 3 + c] = v < 0 ? 0 : v > 255 ? 255 : v;
            }
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < 3; ++c) {
                double v = 0;
                const Taps& t = vertical[static_cast<size_t>(y)];
                for (size_t k = 0; k < t.index.size(); ++k) v += t.weight[k] * middle[(static_cast<size_t>(t.index[k]) * nw + x) * 3 + c];
                out[(static_cast<size_t>(y) * nw + x) * 3 + c] = clampRound(v);
            }
    return out;
}

std::vector<uint8_t> asVector(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

void expectWithinOne(const RasterImage& source, int nw, int nh) {
    RasterImage target;
    resample(source, target, nw, nh);
    ASSERT_EQ(target.width(), nw);
    ASSERT_EQ(target.height(), nh);
    std::vector<uint8_t> ours = asVector(pictures::rgbOf(target));
    std::vector<uint8_t> expected = referenceResample(asVector(pictures::rgbOf(source)), source.width(), source.height(), nw, nh);
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - expected[i]));
    EXPECT_LE(worst, 1) << source.width() << "x" << source.height() << " to " << nw << "x" << nh;
}

void fill(RasterImage& image, uint8_t r, uint8_t g, uint8_t b) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) pictures::setPixel(image, x, y, r, g, b);
}

}  // namespace

TEST(ResampleTaps, CountsForEachDirection) {
    ResampleTable table;
    ASSERT_TRUE(table.build(600, 100));
    EXPECT_EQ(table.taps(), 36);
    ASSERT_TRUE(table.build(100, 99));
    EXPECT_EQ(table.taps(), 7);
    ASSERT_TRUE(table.build(10, 37));
    EXPECT_EQ(table.taps(), 6);
    EXPECT_FALSE(table.build(0, 5));
    EXPECT_FALSE(table.build(5, 0));
}

TEST(ResampleTaps, SameLengthIsTheIdentity) {
    ResampleTable table;
    ASSERT_TRUE(table.build(9, 9));
    ASSERT_EQ(table.taps(), 6);
    for (int i = 0; i < 9; ++i) {
        const int32_t* w = table.weight(i);
        EXPECT_EQ(std::vector<int32_t>(w, w + 6), (std::vector<int32_t>{0, 0, 65536, 0, 0, 0})) << i;
        EXPECT_EQ(table.sourceIndex(i)[2], i);
    }
    // Source positions are clamped into the source.
    EXPECT_EQ(table.sourceIndex(0)[0], 0);
    EXPECT_EQ(table.sourceIndex(8)[5], 8);
}

TEST(ResampleTaps, WeightsOfEachOutputSumNearOne) {
    for (auto [s, d] : {std::pair{600, 100}, {100, 99}, {7, 31}, {2000, 200}, {31, 7}}) {
        ResampleTable table;
        ASSERT_TRUE(table.build(s, d));
        for (int i = 0; i < d; ++i) {
            int64_t sum = 0;
            for (int k = 0; k < table.taps(); ++k) sum += table.weight(i)[k];
            EXPECT_LE(sum, 65536);
            EXPECT_GT(sum, 65536 - table.taps());
        }
    }
}

TEST(ResampleKernel, ValuesOfTheThreeLobeFilter) {
    EXPECT_EQ(ResampleTable::kernel(0), 1);
    EXPECT_EQ(ResampleTable::kernel(3), 0);
    EXPECT_EQ(ResampleTable::kernel(-3.5), 0);
    EXPECT_NEAR(static_cast<double>(ResampleTable::kernel(1)), 0, 1e-12);
    EXPECT_NEAR(static_cast<double>(ResampleTable::kernel(0.5)), lanczos(0.5), 1e-12);
    EXPECT_NEAR(static_cast<double>(ResampleTable::kernel(-2.25)), lanczos(-2.25), 1e-12);
}

TEST(ResamplePictures, SameSizeIsAnExactCopy) {
    RasterImage source, target;
    ASSERT_TRUE(pictures::makePattern(source, 13, 8));
    resample(source, target, 13, 8);
    EXPECT_EQ(pictures::rgbOf(target), pictures::rgbOf(source));
}

TEST(ResamplePictures, HeightOnlyKeepsColumnsExact) {
    RasterImage source, target;
    ASSERT_TRUE(source.create(11, 9));
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 11; ++x) pictures::setPixel(source, x, y, static_cast<uint8_t>(x * 23), static_cast<uint8_t>(255 - x * 7), 5);
    for (int nh : {3, 20}) {
        resample(source, target, 11, nh);
        for (int y = 0; y < nh; ++y)
            for (int x = 0; x < 11; ++x) EXPECT_EQ(0, std::memcmp(target.pixelAddress(x, y), source.pixelAddress(x, 0), 3));
    }
}

TEST(ResamplePictures, UniformColourKeptUpToTwentyTimesSmaller) {
    RasterImage source, target;
    ASSERT_TRUE(source.create(200, 160));
    fill(source, 201, 17, 99);
    for (auto [w, h] : {std::pair{10, 8}, {13, 160}, {400, 333}, {199, 161}, {37, 29}}) {
        resample(source, target, w, h);
        ASSERT_EQ(target.width(), w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = target.pixelAddress(x, y);
                ASSERT_EQ(p[2], 201) << w << "x" << h;
                ASSERT_EQ(p[1], 17);
                ASSERT_EQ(p[0], 99);
            }
    }
}

TEST(ResamplePictures, OvershootIsClippedAtSharpEdges) {
    RasterImage source, target;
    ASSERT_TRUE(source.create(8, 8));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            uint8_t v = x < 4 ? 0 : 255;
            pictures::setPixel(source, x, y, v, v, v);
        }
    resample(source, target, 29, 8);
    // Next to the edge the filter rings below 0 and above 255; both ends stay pinned.
    EXPECT_EQ(target.pixelAddress(12, 4)[0], 0);
    EXPECT_EQ(target.pixelAddress(16, 4)[0], 255);
    expectWithinOne(source, 29, 8);
}

TEST(ResamplePictures, WithinOneOfAFloatingPointLanczos) {
    RasterImage source;
    ASSERT_TRUE(pictures::makePattern(source, 37, 23, 4));
    const int targets[][2] = {{5, 3}, {18, 11}, {36, 22}, {74, 47}, {100, 9}, {3, 60}, {1, 1}, {37, 24}};
    for (const auto& t : targets) expectWithinOne(source, t[0], t[1]);
    RasterImage tiny;
    ASSERT_TRUE(pictures::makePattern(tiny, 2, 3, 8));
    expectWithinOne(tiny, 7, 5);
    expectWithinOne(tiny, 1, 2);
}

// The scaler's passes give exactly the sums of its tables, taken tap by tap
// as the tables list them: the folded, paired and vectorised sums change no
// byte. Sizes cover reduction and enlargement, runs cut by both edges, and
// rows whose length is and is not a whole number of 16-byte blocks.
TEST(ResamplePictures, PassesGiveExactlyTheTablesSums) {
    auto pass = [](const ResampleTable& t, int i, auto sample) {
        int32_t sum = 0;
        for (int k = 0; k < t.taps(); ++k) sum += t.weight(i)[k] * sample(t.sourceIndex(i)[k]);
        const int64_t v = static_cast<int64_t>(sum) + 32768;
        return static_cast<uint8_t>(v < 0 ? 0 : v >> 16 > 255 ? 255 : v >> 16);
    };
    const int cases[][4] = {{37, 23, 5, 3}, {37, 23, 74, 47}, {300, 41, 29, 97}, {64, 64, 21, 16},
                            {2, 3, 7, 5}, {203, 1, 60, 3}, {1, 90, 1, 7}, {50, 50, 49, 51}};
    for (const auto& c : cases) {
        RasterImage source, target;
        ASSERT_TRUE(pictures::makePattern(source, c[0], c[1], c[0] % 7));
        resample(source, target, c[2], c[3]);
        ResampleTable across, down;
        ASSERT_TRUE(across.build(c[0], c[2]) && down.build(c[1], c[3]));
        std::vector<uint8_t> middle(static_cast<size_t>(c[2]) * c[1] * 3);
        for (int y = 0; y < c[1]; ++y)
            for (int x = 0; x < c[2]; ++x)
                for (int ch = 0; ch < 3; ++ch)
                    middle[(static_cast<size_t>(y) * c[2] + x) * 3 + ch] =
                        pass(across, x, [&](int i) { return source.pixelAddress(i, y)[ch]; });
        for (int y = 0; y < c[3]; ++y)
            for (int x = 0; x < c[2]; ++x)
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_EQ(target.pixelAddress(x, y)[ch],
                              pass(down, y, [&](int i) { return middle[(static_cast<size_t>(i) * c[2] + x) * 3 + ch]; }))
                        << c[0] << "x" << c[1] << " to " << c[2] << "x" << c[3] << " at " << x << "," << y;
    }
}

TEST(ResamplePictures, NothingHappensForAZeroSizeOrShallowSource) {
    RasterImage source, target;
    ASSERT_TRUE(pictures::makePattern(source, 6, 6));
    ASSERT_TRUE(target.create(2, 3));
    resample(source, target, 0, 4);
    EXPECT_EQ(target.width(), 2);
    resample(source, target, 4, 0);
    resample(source, target, -4, 3);
    EXPECT_EQ(target.height(), 3);
    RasterImage empty;
    resample(empty, target, 4, 4);
    EXPECT_EQ(target.width(), 2);
}

// Every allocation the scaler needs can be refused: the intermediate picture
// (too many bytes, or too wide), the vertical table (too long) and the target
// (too many bytes). Each ends the operation with the target empty, whatever
// it held before.
TEST(ResampleFailure, RefusedAllocationLeavesTheTargetEmpty) {
    struct Case {
        int sourceWidth, sourceHeight, newWidth, newHeight;
        const char* what;
    } cases[] = {{2, 7000, 30000, 10, "intermediate over the byte limit"},
                 {3, 3, RasterImage::maxSide + 1, 3, "intermediate too wide"},
                 {3, 3, 3, RasterImage::maxSide + 1, "vertical table too long"},
                 {10, 1, 30000, 7000, "target over the byte limit"}};
    for (const Case& c : cases) {
        RasterImage source, target;
        ASSERT_TRUE(pictures::makePattern(source, c.sourceWidth, c.sourceHeight, 2)) << c.what;
        ASSERT_TRUE(pictures::makePattern(target, 4, 4, 3));
        resample(source, target, c.newWidth, c.newHeight);
        EXPECT_TRUE(target.isEmpty()) << c.what;
        EXPECT_EQ(target.width() * target.height(), 0) << c.what;
    }
}
