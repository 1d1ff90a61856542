// Thumbnail scaling: a separable three-lobe Lanczos filter with weights in
// 16.16 fixed point, one horizontal and one vertical pass of integer sums.
#pragma once

#include <cstdint>
#include <memory>

#include "app/byte_buffer.h"
#include "image/raster_image.h"

// The taps of one direction, from a source length to a destination length.
class ResampleTable {
public:
    static constexpr int32_t one = 65536;  // 1.0 in 16.16

    // Enlarging (source < destination): 6 taps around each output centre;
    // otherwise ceil(6 · source / destination) taps, the kernel stretched to
    // span six destination pixels. False when a length is below 1 or memory
    // is short.
    bool build(int32_t sourceLength, int32_t destinationLength);
    int32_t taps() const { return taps_; }
    // The taps' source positions (clamped into the source) and weights of
    // output i.
    const int32_t* sourceIndex(int32_t i) const { return indices() + static_cast<size_t>(i) * taps_; }
    const int32_t* weight(int32_t i) const { return weights() + static_cast<size_t>(i) * taps_; }

    // The Lanczos-3 kernel in extended precision.
    static long double kernel(long double x);

private:
    const int32_t* indices() const { return reinterpret_cast<const int32_t*>(entries_.data()); }
    const int32_t* weights() const { return indices() + count_; }

    ByteBuffer entries_;
    int32_t taps_ = 0;
    size_t count_ = 0;
};

// Fills target (re-created at 24 bits) with source resampled to newWidth ×
// newHeight; the same size is a plain copy. A source of fewer than 3 bytes
// per pixel, or a new size below 1, leaves target as it was; when memory runs
// short target is left empty.
void resample(const RasterImage& source, RasterImage& target, int32_t newWidth, int32_t newHeight);

// Pictures of one size resampled to one other size, as resample does, with
// the taps worked out once (a timelapse scales every frame alike).
class Resampler {
public:
    Resampler();
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // False when a size is below 1 or memory is short.
    bool prepare(int32_t sourceWidth, int32_t sourceHeight, int32_t newWidth, int32_t newHeight);
    // Fills target (re-created at 24 bits) from source of the prepared size
    // and at least 24 bits, a plain copy when the sizes are the same; false,
    // and target empty, otherwise.
    bool run(const RasterImage& source, RasterImage& target);

private:
    struct Passes;
    std::unique_ptr<Passes> passes_;
};
