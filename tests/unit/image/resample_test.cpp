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

}  // namespace

// Within one of a floating-point Lanczos over reductions, enlargements, both
// edges and sharp edges (whose overshoot is clipped); exact where the result
// is known exactly: the same size is a copy, a uniform colour stays itself.
TEST(ResamplePictures, WithinOneOfAFloatingPointLanczos) {
    const struct {
        const char* kind;
        int width, height, newWidth, newHeight;
    } cases[] = {{"pattern", 37, 23, 5, 3},   {"pattern", 37, 23, 18, 11}, {"pattern", 37, 23, 36, 22},
                 {"pattern", 37, 23, 74, 47}, {"pattern", 37, 23, 100, 9}, {"pattern", 37, 23, 3, 60},
                 {"pattern", 37, 23, 1, 1},   {"pattern", 37, 23, 37, 24}, {"pattern", 2, 3, 7, 5},
                 {"pattern", 2, 3, 1, 2},     {"same", 13, 8, 13, 8},      {"edge", 8, 8, 29, 8},
                 {"uniform", 200, 160, 10, 8},  {"uniform", 200, 160, 13, 160}, {"uniform", 200, 160, 400, 333},
                 {"uniform", 200, 160, 199, 161}, {"uniform", 200, 160, 37, 29}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.width << "x" << c.height << " to " << c.newWidth << "x" << c.newHeight);
        const std::string kind = c.kind;
        RasterImage source, target;
        ASSERT_TRUE(pictures::makePattern(source, c.width, c.height, 4));
        for (int y = 0; y < c.height && kind != "pattern" && kind != "same"; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t v = kind == "uniform" ? 201 : x < c.width / 2 ? 0 : 255;
                pictures::setPixel(source, x, y, v, kind == "uniform" ? 17 : v, kind == "uniform" ? 99 : v);
            }
        resample(source, target, c.newWidth, c.newHeight);
        ASSERT_TRUE(target.width() == c.newWidth && target.height() == c.newHeight);
        const std::vector<uint8_t> ours = asVector(pictures::rgbOf(target));
        std::vector<uint8_t> expected = referenceResample(asVector(pictures::rgbOf(source)), c.width, c.height, c.newWidth, c.newHeight);
        if (kind == "same") expected = asVector(pictures::rgbOf(source));
        if (kind == "uniform")
            for (size_t i = 0; i < expected.size(); ++i) expected[i] = i % 3 == 0 ? 201 : i % 3 == 1 ? 17 : 99;
        int worst = 0;
        for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(ours[i] - expected[i]));
        EXPECT_LE(worst, kind == "pattern" || kind == "edge" ? 1 : 0);
    }
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

// A new size below 1, or an empty source, leaves the target as it was; a
// refused allocation (the intermediate picture over the byte limit or too
// wide, the vertical table too long, the target over the byte limit) leaves
// it empty, whatever it held before.
TEST(ResampleFailure, TargetKeptOrEmptied) {
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
        const bool kept = target.width() == 2 && target.height() == 3 && pictures::rgbOf(target) == before;
        EXPECT_TRUE(c.emptied ? target.isEmpty() && target.width() * target.height() == 0 : kept)
            << c.sourceWidth << "x" << c.sourceHeight << " to " << c.newWidth << "x" << c.newHeight;
    }
}
