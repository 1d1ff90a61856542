#include "image/resample.h"

#include <cmath>
#include <cstring>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "image/checked_size.h"

namespace {

constexpr long double pi = 3.141592653589793;
constexpr long double piThird = 1.0471975511965976;
constexpr long double piSquaredThird = 3.2898681336964524;
constexpr long double epsilon = 2.220446049250313e-16;
constexpr int32_t enlargingTaps = 6;
// Bytes the horizontal pass may read past a row's last pixel: a zero
// weight one position on, and the rest of an 8-byte load.
constexpr size_t rowReach = 8;

int32_t clampIndex(int64_t i, int32_t length) {
    return static_cast<int32_t>(i < 0 ? 0 : i >= length ? length - 1 : i);
}

uint8_t toByte(int32_t sum) {
    const int64_t v = static_cast<int64_t>(sum) + 32768;
    if (v < 0) return 0;
    const int64_t shifted = v >> 16;
    return static_cast<uint8_t>(shifted > 255 ? 255 : shifted);
}

// Kernel values by their exact argument. With a simple ratio between the
// lengths the same arguments come back at every output, and the
// trigonometry is most of a table's cost.
class KernelCache {
public:
    long double kernel(long double x) {
        const double near = static_cast<double>(x);
        uint64_t bits;
        std::memcpy(&bits, &near, sizeof bits);
        const size_t slot = static_cast<size_t>((bits ^ bits >> 31) * 0x9E3779B97F4A7C15u >> 56);
        if (used_[slot] && argument_[slot] == x) return value_[slot];
        used_[slot] = true;
        argument_[slot] = x;
        return value_[slot] = ResampleTable::kernel(x);
    }

private:
    static constexpr size_t slots = 256;
    long double argument_[slots];
    long double value_[slots];
    bool used_[slots] = {};
};

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
    KernelCache cache;
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
            raw[j] = cache.kernel(enlarging ? static_cast<long double>(e) + 0.5L - centre
                                            : (static_cast<long double>(e) + 0.5L) * static_cast<long double>(d) /
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

// The taps of one table as the passes run them: output i sums count(i)
// consecutive source positions from first(i) on. Taps clamped onto the same
// edge position are folded into one weight and zero weights at either end
// are dropped, which leaves every sum as the table gives it; the count is
// made even with a zero weight, so the taps go in pairs. For the 16-bit
// multiply-adds each weight w is also split as hi · 32768 + lo with lo in
// 0 … 32767: two sums of small products whose total, taken modulo 2^32, is
// exactly the 32-bit sum of the table's products.
class TapRuns {
public:
    bool build(const ResampleTable& table, int32_t outputs) {
        const int32_t taps = table.taps();
        stride_ = taps + (taps & 1);
        const size_t entries = static_cast<size_t>(outputs) * static_cast<size_t>(stride_);
        if (!weights_.allocate(entries * sizeof(int32_t)) || !runs_.allocate(static_cast<size_t>(outputs) * 2 * sizeof(int32_t)))
            return false;
#ifdef __SSE2__
        if (!pairs_.allocate(entries * sizeof(__m128i))) return false;
#endif
        for (int32_t i = 0; i < outputs; ++i) fold(table, i);
        return true;
    }
    int32_t first(int32_t i) const { return runs()[2 * i]; }
    int32_t count(int32_t i) const { return runs()[2 * i + 1]; }
    const int32_t* weights(int32_t i) const {
        return reinterpret_cast<const int32_t*>(weights_.data()) + static_cast<size_t>(i) * stride_;
    }
#ifdef __SSE2__
    // For each pair of taps k, k + 1: the lo weights as 16-bit lanes lo(k),
    // lo(k + 1) repeated four times, then the hi weights alike.
    const __m128i* pairs(int32_t i) const {
        return reinterpret_cast<const __m128i*>(pairs_.data()) + static_cast<size_t>(i) * stride_;
    }
#endif

private:
    const int32_t* runs() const { return reinterpret_cast<const int32_t*>(runs_.data()); }

    void fold(const ResampleTable& table, int32_t i) {
        const int32_t taps = table.taps();
        const int32_t* index = table.sourceIndex(i);
        const int32_t* weight = table.weight(i);
        int32_t* w = reinterpret_cast<int32_t*>(weights_.data()) + static_cast<size_t>(i) * stride_;
        // The positions run consecutively from index[0] to index[taps - 1].
        const int32_t from = index[0];
        for (int32_t k = 0; k < taps; ++k) w[index[k] - from] += weight[k];
        int32_t begin = 0, end = index[taps - 1] - from + 1;
        while (end > begin && w[end - 1] == 0) --end;
        while (begin < end && w[begin] == 0) ++begin;
        int32_t n = end - begin;
        for (int32_t k = 0; k < n; ++k) w[k] = w[begin + k];
        for (int32_t k = n; k < stride_; ++k) w[k] = 0;
        n += n & 1;
        auto* run = reinterpret_cast<int32_t*>(runs_.data()) + 2 * i;
        run[0] = from + begin;
        run[1] = n;
#ifdef __SSE2__
        auto* pair = reinterpret_cast<__m128i*>(pairs_.data()) + static_cast<size_t>(i) * stride_;
        for (int32_t k = 0; k < n; k += 2) {
            const int32_t hi0 = w[k] >> 15, hi1 = w[k + 1] >> 15;
            const int32_t lo0 = w[k] - hi0 * 32768, lo1 = w[k + 1] - hi1 * 32768;
            pair[k] = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(lo0) | static_cast<uint32_t>(lo1) << 16));
            pair[k + 1] = _mm_set1_epi32(static_cast<int32_t>((static_cast<uint32_t>(hi0) & 0xFFFF) |
                                                              static_cast<uint32_t>(hi1) << 16));
        }
#endif
    }

    ByteBuffer weights_, runs_;
#ifdef __SSE2__
    ByteBuffer pairs_;
#endif
    int32_t stride_ = 0;
};

#ifdef __SSE2__
// The b, g, r sums of lanes 0 … 2 (total = hi · 32768 + lo) as bytes, as
// toByte makes them.
inline __m128i toBytes(__m128i lo, __m128i hi) {
    const __m128i total = _mm_add_epi32(_mm_slli_epi32(hi, 15), lo);
    return _mm_srai_epi32(_mm_add_epi32(total, _mm_set1_epi32(32768)), 16);
}
#endif

// Horizontal pass: every row of source into the same row of middle. row is
// scratch for a copy of a source row that lies too near the end of the
// picture's memory for the reads past its last pixel.
void horizontalPass(const RasterImage& source, RasterImage& middle, const TapRuns& runs, uint8_t* row) {
    const int32_t width = middle.width();
    const size_t rowLength = static_cast<size_t>(source.width()) * 3;
    const size_t memoryEnd = static_cast<size_t>(source.stride()) * static_cast<size_t>(source.height());
    for (int32_t y = 0; y < source.height(); ++y) {
        const uint8_t* from = source.pixelAddress(0, y);
        if (static_cast<size_t>(from - source.bits()) + rowLength + rowReach > memoryEnd) {
            std::memcpy(row, from, rowLength);
            from = row;
        }
        uint8_t* to = middle.pixelAddress(0, y);
        for (int32_t x = 0; x < width; ++x, to += 3) {
            const int32_t n = runs.count(x);
            const uint8_t* p = from + static_cast<size_t>(runs.first(x)) * 3;
#ifdef __SSE2__
            const __m128i* pair = runs.pairs(x);
            const __m128i zero = _mm_setzero_si128();
            __m128i lo = zero, hi = zero;
            for (int32_t k = 0; k < n; k += 2, p += 6) {
                // b0 g0 r0 b1 g1 r1 → 16-bit b0 b1 g0 g1 r0 r1 (and two
                // more lanes, whose sum is never used).
                const __m128i two = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
                const __m128i taps = _mm_unpacklo_epi8(_mm_unpacklo_epi8(two, _mm_srli_epi64(two, 24)), zero);
                lo = _mm_add_epi32(lo, _mm_madd_epi16(taps, pair[k]));
                hi = _mm_add_epi32(hi, _mm_madd_epi16(taps, pair[k + 1]));
            }
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(toBytes(lo, hi), zero), zero);
            const uint32_t bgr = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
            to[0] = static_cast<uint8_t>(bgr);
            to[1] = static_cast<uint8_t>(bgr >> 8);
            to[2] = static_cast<uint8_t>(bgr >> 16);
#else
            const int32_t* weight = runs.weights(x);
            int32_t b = 0, g = 0, r = 0;
            for (int32_t k = 0; k < n; ++k, p += 3) {
                b += weight[k] * p[0];
                g += weight[k] * p[1];
                r += weight[k] * p[2];
            }
            to[0] = toByte(b);
            to[1] = toByte(g);
            to[2] = toByte(r);
#endif
        }
    }
}

// The byte at offset i of a target row from the rows of middle that the run
// of output row y names (scalar; the SSE2 pass uses it for the last bytes).
uint8_t verticalByte(const uint8_t* const* rows, const int32_t* weight, int32_t n, size_t i) {
    int32_t sum = 0;
    for (int32_t k = 0; k < n; ++k) sum += weight[k] * rows[k][i];
    return toByte(sum);
}

// Vertical pass: each target row sums whole rows of middle, a block of
// columns at a time over all its taps, so the reads run along memory and the
// sums stay in registers. rows is scratch for the row addresses of one run.
void verticalPass(const RasterImage& middle, RasterImage& target, const TapRuns& runs, const uint8_t** rows) {
    const size_t rowLength = static_cast<size_t>(target.width()) * 3;
    for (int32_t y = 0; y < target.height(); ++y) {
        const int32_t n = runs.count(y), first = runs.first(y);
        // The zero weight that evens the count may lie past the last row.
        for (int32_t k = 0; k < n; ++k) rows[k] = middle.pixelAddress(0, first + k < middle.height() ? first + k : middle.height() - 1);
        const int32_t* weight = runs.weights(y);
        uint8_t* to = target.pixelAddress(0, y);
        size_t i = 0;
#ifdef __SSE2__
        const __m128i* pair = runs.pairs(y);
        const __m128i zero = _mm_setzero_si128();
        for (; i + 16 <= rowLength; i += 16) {
            __m128i lo[4] = {zero, zero, zero, zero}, hi[4] = {zero, zero, zero, zero};
            for (int32_t k = 0; k < n; k += 2) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i));
                const __m128i low = _mm_unpacklo_epi8(a, b), high = _mm_unpackhi_epi8(a, b);
                const __m128i taps[4] = {_mm_unpacklo_epi8(low, zero), _mm_unpackhi_epi8(low, zero),
                                         _mm_unpacklo_epi8(high, zero), _mm_unpackhi_epi8(high, zero)};
                for (int j = 0; j < 4; ++j) {
                    lo[j] = _mm_add_epi32(lo[j], _mm_madd_epi16(taps[j], pair[k]));
                    hi[j] = _mm_add_epi32(hi[j], _mm_madd_epi16(taps[j], pair[k + 1]));
                }
            }
            const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(toBytes(lo[0], hi[0]), toBytes(lo[1], hi[1])),
                                                   _mm_packs_epi32(toBytes(lo[2], hi[2]), toBytes(lo[3], hi[3])));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), bytes);
        }
#endif
        for (; i < rowLength; ++i) to[i] = verticalByte(rows, weight, n, i);
    }
}

}  // namespace

struct Resampler::Passes {
    TapRuns across;
    TapRuns down;
    RasterImage middle;
    ByteBuffer row;
    ByteBuffer rows;
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    int32_t newWidth = 0;
    int32_t newHeight = 0;
};

Resampler::Resampler() = default;
Resampler::~Resampler() = default;

bool Resampler::prepare(int32_t sourceWidth, int32_t sourceHeight, int32_t newWidth, int32_t newHeight) {
    passes_.reset();
    if (sourceWidth < 1 || sourceHeight < 1 || newWidth < 1 || newHeight < 1) return false;
    auto passes = std::make_unique<Passes>();
    passes->sourceWidth = sourceWidth;
    passes->sourceHeight = sourceHeight;
    passes->newWidth = newWidth;
    passes->newHeight = newHeight;
    bool copy = newWidth == sourceWidth && newHeight == sourceHeight;  // no taps needed
    ResampleTable table;
    if (!copy && (!table.build(sourceWidth, newWidth) || !passes->across.build(table, newWidth) ||
        !table.build(sourceHeight, newHeight) || !passes->down.build(table, newHeight) ||
        !passes->middle.create(newWidth, sourceHeight) ||
        !passes->row.allocate(static_cast<size_t>(sourceWidth) * 3 + rowReach) ||
        !passes->rows.allocate(static_cast<size_t>(table.taps() + 1) * sizeof(const uint8_t*))))
        return false;
    passes_ = std::move(passes);
    return true;
}

bool Resampler::run(const RasterImage& source, RasterImage& target) {
    target.release();
    Passes* p = passes_.get();
    if (!p || source.bytesPerPixel() < 3 || source.width() != p->sourceWidth || source.height() != p->sourceHeight ||
        !target.create(p->newWidth, p->newHeight))
        return false;
    if (p->newWidth == p->sourceWidth && p->newHeight == p->sourceHeight) {
        source.stretchTo(target);
        return true;
    }
    horizontalPass(source, p->middle, p->across, p->row.data());
    verticalPass(p->middle, target, p->down, reinterpret_cast<const uint8_t**>(p->rows.data()));
    return true;
}

void resample(const RasterImage& source, RasterImage& target, int32_t newWidth, int32_t newHeight) {
    if (source.isEmpty() || source.bytesPerPixel() < 3 || newWidth < 1 || newHeight < 1) return;
    Resampler resampler;
    if (resampler.prepare(source.width(), source.height(), newWidth, newHeight))
        resampler.run(source, target);
    else
        target.release();
}
