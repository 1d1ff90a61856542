#include "image/resample.h"

#include <cmath>

#include "image/checked_size.h"

namespace {

constexpr long double pi = 3.141592653589793;
constexpr long double piThird = 1.0471975511965976;
constexpr long double piSquaredThird = 3.2898681336964524;
constexpr long double epsilon = 2.220446049250313e-16;
constexpr int32_t enlargingTaps = 6;

int32_t clampIndex(int64_t i, int32_t length) {
    return static_cast<int32_t>(i < 0 ? 0 : i >= length ? length - 1 : i);
}

uint8_t toByte(int32_t sum) {
    const int64_t v = static_cast<int64_t>(sum) + 32768;
    if (v < 0) return 0;
    const int64_t shifted = v >> 16;
    return static_cast<uint8_t>(shifted > 255 ? 255 : shifted);
}

}  // namespace

long double ResampleTable::kernel(long double x) {
    const long double a = std::fabs(x);
    if (a < epsilon) return 1;
    if (a >= 3) return 0;
    return std::sin(pi * x) * std::sin(piThird * x) / (x * x * piSquaredThird);
}

bool ResampleTable::build(int32_t sourceLength, int32_t destinationLength) {
    const int64_t s = sourceLength, d = destinationLength;
    if (s < 1 || d < 1 || s > RasterImage::maxSide || d > RasterImage::maxSide) return false;
    const bool enlarging = s < d;
    taps_ = enlarging ? enlargingTaps : static_cast<int32_t>((6 * s + d - 1) / d);
    uint32_t count, bytes;
    if (!multiplyChecked(static_cast<uint32_t>(d), static_cast<uint32_t>(taps_), count) ||
        !multiplyChecked(count, 2 * sizeof(int32_t), bytes) || !entries_.allocate(bytes))
        return false;
    count_ = count;
    auto* index = reinterpret_cast<int32_t*>(entries_.data());
    int32_t* weight = index + count_;
    ByteBuffer rawBlock;
    if (!rawBlock.allocate(static_cast<size_t>(taps_) * sizeof(long double))) return false;
    auto* raw = reinterpret_cast<long double*>(rawBlock.data());
    for (int64_t i = 0; i < d; ++i) {
        int64_t start;
        long double centre = 0;
        if (enlarging) {
            centre = static_cast<long double>(s) * (static_cast<long double>(i) + 0.5L) / static_cast<long double>(d);
            start = static_cast<int64_t>(std::floor(centre - 2.5L));
        } else {
            start = static_cast<int64_t>(
                std::floor((static_cast<long double>(i) - 2.5L) * static_cast<long double>(s) / static_cast<long double>(d) + 0.5L));
        }
        double sum = 0;
        for (int32_t j = 0; j < taps_; ++j) {
            const int64_t e = start + j;
            index[i * taps_ + j] = clampIndex(e, sourceLength);
            raw[j] = enlarging ? kernel(static_cast<long double>(e) + 0.5L - centre)
                               : kernel((static_cast<long double>(e) + 0.5L) * static_cast<long double>(d) /
                                            static_cast<long double>(s) -
                                        (static_cast<long double>(i) + 0.5L));
            sum += static_cast<double>(raw[j]);
        }
        for (int32_t j = 0; j < taps_; ++j)
            weight[i * taps_ + j] = sum == 0 ? 0 : static_cast<int32_t>(raw[j] / sum * one);
    }
    return true;
}

namespace {

// Horizontal pass: every row of source into the same row of middle.
void horizontalPass(const RasterImage& source, RasterImage& middle, const ResampleTable& table) {
    const int32_t taps = table.taps(), width = middle.width(), step = source.bytesPerPixel();
    for (int32_t y = 0; y < source.height(); ++y) {
        const uint8_t* from = source.pixelAddress(0, y);
        uint8_t* to = middle.pixelAddress(0, y);
        for (int32_t x = 0; x < width; ++x, to += 3) {
            const int32_t* index = table.sourceIndex(x);
            const int32_t* weight = table.weight(x);
            int32_t b = 0, g = 0, r = 0;
            for (int32_t k = 0; k < taps; ++k) {
                const uint8_t* p = from + index[k] * step;
                b += weight[k] * p[0];
                g += weight[k] * p[1];
                r += weight[k] * p[2];
            }
            to[0] = toByte(b);
            to[1] = toByte(g);
            to[2] = toByte(r);
        }
    }
}

// Vertical pass: each target row sums whole rows of middle, so the reads run
// along memory.
bool verticalPass(const RasterImage& middle, RasterImage& target, const ResampleTable& table) {
    const size_t rowLength = static_cast<size_t>(target.width()) * 3;
    ByteBuffer sumBlock;
    if (!sumBlock.allocate(rowLength * sizeof(int32_t))) return false;
    auto* sums = reinterpret_cast<int32_t*>(sumBlock.data());
    const int32_t taps = table.taps();
    for (int32_t y = 0; y < target.height(); ++y) {
        for (size_t i = 0; i < rowLength; ++i) sums[i] = 0;
        const int32_t* index = table.sourceIndex(y);
        const int32_t* weight = table.weight(y);
        for (int32_t k = 0; k < taps; ++k) {
            const int32_t w = weight[k];
            if (w == 0) continue;
            const uint8_t* from = middle.pixelAddress(0, index[k]);
            for (size_t i = 0; i < rowLength; ++i) sums[i] += w * from[i];
        }
        uint8_t* to = target.pixelAddress(0, y);
        for (size_t i = 0; i < rowLength; ++i) to[i] = toByte(sums[i]);
    }
    return true;
}

}  // namespace

void resample(const RasterImage& source, RasterImage& target, int32_t newWidth, int32_t newHeight) {
    if (source.isEmpty() || source.bytesPerPixel() < 3 || newWidth < 1 || newHeight < 1) return;
    if (newWidth == source.width() && newHeight == source.height()) {
        if (target.create(newWidth, newHeight)) source.stretchTo(target);
        return;
    }
    target.release();
    RasterImage middle;
    ResampleTable table;
    if (!middle.create(newWidth, source.height()) || !table.build(source.width(), newWidth)) return;
    horizontalPass(source, middle, table);
    if (!table.build(source.height(), newHeight) || !target.create(newWidth, newHeight)) return;
    if (!verticalPass(middle, target, table)) target.release();
}
