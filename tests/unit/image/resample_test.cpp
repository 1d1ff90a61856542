#include "image/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/unit/image/pictures.h"

namespace {

// An independent Lanczos-3 in double precision: the same sampling geometry,
// the intermediate clipped to 0 … 255 but kept in double until the end.
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
        double sum = 0;
        for (int e = static_cast<int>(std::floor(centre - 3 * scale)) - 1; e <= static_cast<int>(std::ceil(centre + 3 * scale)) + 1; ++e) {
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

// The reference picture as red, green, blue rows top first.
std::string referenceResample(const RasterImage& source, int nw, int nh) {
    const auto across = referenceTable(source.width(), nw), down = referenceTable(source.height(), nh);
    std::string out;
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x)
            for (int c = 2; c >= 0; --c) {
                const Taps &a = across[static_cast<size_t>(x)], &d = down[static_cast<size_t>(y)];
                double v = 0;
                for (size_t k = 0; k < d.index.size(); ++k) {
                    double row = 0;
                    for (size_t m = 0; m < a.index.size(); ++m) row += a.weight[m] * source.pixelAddress(a.index[m], d.index[k])[c];
                    v += d.weight[k] * std::clamp(row, 0.0, 255.0);
                }
                out += static_cast<char>(static_cast<uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 255.0)));
            }
    return out;
}

}  // namespace

// The passes give within one of a floating-point Lanczos; the same size is a
// copy, a uniform colour stays itself. Sizes cover reduction, enlargement,
// runs cut by both edges, rows of and not of whole 16-byte blocks, and a sharp
// edge whose overshoot is clipped.
TEST(Resample, WithinOneOfAFloatingPointLanczos) {
    const struct {
        char kind;  // pattern, edge, uniform
        int width, height, newWidth, newHeight;
    } cases[] = {{'p', 37, 23, 5, 3},    {'p', 37, 23, 18, 11},   {'p', 37, 23, 36, 22},  {'p', 37, 23, 74, 47},
                 {'p', 37, 23, 100, 9},  {'p', 37, 23, 3, 60},    {'p', 37, 23, 1, 1},    {'p', 37, 23, 37, 24},
                 {'p', 300, 41, 29, 97}, {'p', 64, 64, 21, 16},   {'p', 2, 3, 7, 5},      {'p', 2, 3, 1, 2},
                 {'p', 203, 1, 60, 3},   {'p', 1, 90, 1, 7},      {'p', 50, 50, 49, 51},  {'p', 13, 8, 13, 8},
                 {'e', 8, 8, 29, 8},     {'u', 200, 160, 10, 8},  {'u', 200, 160, 13, 160}, {'u', 200, 160, 400, 333},
                 {'u', 200, 160, 199, 161}, {'u', 200, 160, 37, 29}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.width << "x" << c.height << " to " << c.newWidth << "x" << c.newHeight);
        RasterImage source, target;
        ASSERT_TRUE(c.kind == 'p' ? pictures::makePattern(source, c.width, c.height, c.width % 7)
                                  : pictures::paint(source, c.width, c.height, [&](int x, int) {
                                        return c.kind == 'u' ? 0xC91163u : x < c.width / 2 ? 0u : 0xFFFFFFu;
                                    }));
        resample(source, target, c.newWidth, c.newHeight);
        ASSERT_TRUE(target.width() == c.newWidth && target.height() == c.newHeight);
        const std::string ours = pictures::rgbOf(target);
        if (c.width == c.newWidth && c.height == c.newHeight) {
            EXPECT_EQ(ours, pictures::rgbOf(source));
            continue;
        }
        std::string expected;
        for (int i = 0; c.kind == 'u' && i < c.newWidth * c.newHeight; ++i) expected += "\xC9\x11\x63";
        if (c.kind != 'u') expected = referenceResample(source, c.newWidth, c.newHeight);
        int worst = 0;
        for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(static_cast<uint8_t>(ours[i]) - static_cast<uint8_t>(expected[i])));
        EXPECT_LE(worst, c.kind == 'u' ? 0 : 1);
    }
}

// A new size below 1 or an empty source leaves the target as it was; a refused
// allocation (intermediate over the byte limit or too wide, vertical table too
// long, target over the byte limit) leaves it empty.
TEST(Resample, FailureKeepsOrEmptiesTheTarget) {
    const struct {
        int sourceWidth, sourceHeight, newWidth, newHeight;
        bool emptied;
    } cases[] = {{6, 6, 0, 4, false},   {6, 6, 4, 0, false}, {6, 6, -4, 3, false}, {0, 0, 4, 4, false},
                 {2, 7000, 30000, 10, true}, {3, 3, RasterImage::maxSide + 1, 3, true},
                 {3, 3, 3, RasterImage::maxSide + 1, true}, {10, 1, 30000, 7000, true}};
    for (const auto& c : cases) {
        RasterImage source, target;
        ASSERT_TRUE(!c.sourceWidth || pictures::makePattern(source, c.sourceWidth, c.sourceHeight, 2));
        ASSERT_TRUE(pictures::makePattern(target, 2, 3, 3));
        const std::string before = pictures::rgbOf(target);
        resample(source, target, c.newWidth, c.newHeight);
        EXPECT_TRUE(c.emptied ? target.isEmpty() && target.width() * target.height() == 0 : pictures::rgbOf(target) == before)
            << c.sourceWidth << "x" << c.sourceHeight << " to " << c.newWidth << "x" << c.newHeight;
    }
}
