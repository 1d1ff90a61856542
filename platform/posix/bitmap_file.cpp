// The BMP loader: a reader of our own for the bitmap files Windows loads
// (core and info headers up to version 5; 1, 4, 8, 16, 24 and 32 bits;
// uncompressed, bit fields, RLE4 and RLE8), every offset and length checked
// against the file before it is read.
#include <cstring>
#include <memory>
#include <new>

#include "platform/byte_order.h"
#include "platform/picture.h"
#include "platform/platform.h"

namespace platform {
namespace {

constexpr uint64_t maxBitmapFile = 256u * 1024 * 1024;
constexpr uint32_t fileHeaderLength = 14;
enum : uint32_t { plainRgb = 0, rle8 = 1, rle4 = 2, bitFields = 3 };


// One colour channel of a bit-field pixel, widened to 8 bits by repeating its
// bits, as the system does.
struct Channel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t bits = 0;

    explicit Channel(uint32_t m = 0) : mask(m) {
        if (!m) return;
        while (!(m & 1)) m >>= 1, ++shift;
        while (m & 1) m >>= 1, ++bits;
    }
    uint8_t of(uint32_t pixel) const {
        if (!bits) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        uint32_t wide = 0, filled = 0;
        while (filled < 8) {
            wide = wide << bits | v;
            filled += bits;
        }
        return static_cast<uint8_t>(wide >> (filled - 8));
    }
};

class BitmapDecoder {
public:
    BitmapDecoder(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}

    bool decode(PictureSink& sink) {
        if (!readHeaders() || !readPalette()) return false;
        const int32_t outBits = bitsPerPixel_ == 32 ? 32 : 24;
        if (!sink.begin(width_, height_, outBits)) return false;
        if (compression_ == rle8 || compression_ == rle4) return decodeRunLengths(sink);
        return decodeRows(sink, outBits / 8);
    }

private:
    bool has(uint64_t offset, uint64_t n) const { return offset <= size_ && n <= size_ - offset; }

    bool readHeaders() {
        if (!has(0, fileHeaderLength + 4) || std::memcmp(bytes_, "BM", 2) != 0) return false;
        pixelOffset_ = bytes::little32(bytes_ + 10);
        headerLength_ = bytes::little32(bytes_ + fileHeaderLength);
        const uint8_t* h = bytes_ + fileHeaderLength;
        if (headerLength_ == 12) {
            if (!has(fileHeaderLength, 12)) return false;
            width_ = static_cast<int32_t>(bytes::little16(h + 4));
            height_ = static_cast<int32_t>(bytes::little16(h + 6));
            bitsPerPixel_ = bytes::little16(h + 10);
            paletteEntryLength_ = 3;
        } else {
            if (headerLength_ < 40 || !has(fileHeaderLength, headerLength_)) return false;
            width_ = static_cast<int32_t>(bytes::little32(h + 4));
            int32_t height = static_cast<int32_t>(bytes::little32(h + 8));
            bitsPerPixel_ = bytes::little16(h + 14);
            compression_ = bytes::little32(h + 16);
            coloursUsed_ = bytes::little32(h + 32);
            if (height == INT32_MIN) return false;
            topDown_ = height < 0;
            height_ = topDown_ ? -height : height;
            if (compression_ == bitFields && !readMasks(h)) return false;
        }
        if (width_ < 1 || height_ < 1) return false;
        switch (bitsPerPixel_) {
        case 1: case 4: case 8: case 24: break;
        case 16: case 32: break;
        default: return false;
        }
        if (compression_ == bitFields && bitsPerPixel_ != 16 && bitsPerPixel_ != 32) return false;
        if (compression_ == rle8 && bitsPerPixel_ != 8) return false;
        if (compression_ == rle4 && bitsPerPixel_ != 4) return false;
        if (compression_ > bitFields) return false;
        if ((compression_ == rle8 || compression_ == rle4) && topDown_) return false;
        if (compression_ == plainRgb && bitsPerPixel_ == 16) setMasks(0x7C00, 0x03E0, 0x001F, 0);
        if (compression_ == plainRgb && bitsPerPixel_ == 32) setMasks(0xFF0000, 0xFF00, 0xFF, 0xFF000000);
        return true;
    }

    // The three masks follow a 40-byte header and sit inside the larger ones.
    bool readMasks(const uint8_t* h) {
        if (!has(fileHeaderLength + 40, 12)) return false;
        uint32_t alpha = headerLength_ >= 56 ? bytes::little32(h + 52) : 0;
        setMasks(bytes::little32(h + 40), bytes::little32(h + 44), bytes::little32(h + 48), alpha);
        return true;
    }

    void setMasks(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
        red_ = Channel(r);
        green_ = Channel(g);
        blue_ = Channel(b);
        alpha_ = Channel(a);
    }

    bool readPalette() {
        if (bitsPerPixel_ > 8) return true;
        uint32_t entries = coloursUsed_ && coloursUsed_ < (1u << bitsPerPixel_) ? coloursUsed_ : 1u << bitsPerPixel_;
        uint64_t at = fileHeaderLength + static_cast<uint64_t>(headerLength_);
        if (compression_ == bitFields && headerLength_ == 40) at += 12;
        // A palette cut short by the pixel data keeps the entries it has.
        for (uint32_t i = 0; i < entries && has(at, paletteEntryLength_); ++i, at += paletteEntryLength_) {
            palette_[i][0] = bytes_[at];
            palette_[i][1] = bytes_[at + 1];
            palette_[i][2] = bytes_[at + 2];
        }
        return true;
    }

    uint8_t* pictureRow(PictureSink& sink, int32_t storedRow) const {
        return sink.row(topDown_ ? storedRow : height_ - 1 - storedRow);
    }

    bool decodeRows(PictureSink& sink, int32_t outBytes) {
        const uint64_t stride = (static_cast<uint64_t>(width_) * bitsPerPixel_ + 31) / 32 * 4;
        if (!has(pixelOffset_, stride * static_cast<uint64_t>(height_))) return false;
        for (int32_t row = 0; row < height_; ++row) {
            const uint8_t* from = bytes_ + pixelOffset_ + stride * static_cast<uint64_t>(row);
            uint8_t* to = pictureRow(sink, row);
            for (int32_t x = 0; x < width_; ++x, to += outBytes) pixel(from, x, to, outBytes);
        }
        return true;
    }

    void pixel(const uint8_t* row, int32_t x, uint8_t* to, int32_t outBytes) const {
        const uint32_t ux = static_cast<uint32_t>(x);
        switch (bitsPerPixel_) {
        case 1: case 4: case 8: {
            const uint32_t perByte = 8 / bitsPerPixel_;
            const uint32_t shift = 8 - bitsPerPixel_ * (ux % perByte + 1);
            std::memcpy(to, palette_[(row[ux / perByte] >> shift) & ((1u << bitsPerPixel_) - 1)], 3);
            return;
        }
        case 24:
            std::memcpy(to, row + ux * 3, 3);
            return;
        default: {
            const uint32_t value = bitsPerPixel_ == 16 ? bytes::little16(row + ux * 2) : bytes::little32(row + ux * 4);
            to[0] = blue_.of(value);
            to[1] = green_.of(value);
            to[2] = red_.of(value);
            if (outBytes == 4) to[3] = alpha_.of(value);
        }
        }
    }

    // RLE8 and RLE4: runs and literal stretches, with end-of-line, end-of-
    // picture and delta escapes; pixels never painted are palette entry 0.
    bool decodeRunLengths(PictureSink& sink) {
        for (int32_t row = 0; row < height_; ++row) {
            uint8_t* to = pictureRow(sink, row);
            for (int32_t x = 0; x < width_; ++x) std::memcpy(to + x * 3, palette_[0], 3);
        }
        uint64_t at = pixelOffset_;
        int32_t x = 0, row = 0;
        const bool four = compression_ == rle4;
        auto put = [&](uint32_t index) {
            if (row < height_ && x < width_) std::memcpy(pictureRow(sink, row) + x * 3, palette_[index], 3);
            ++x;
        };
        while (has(at, 2) && row < height_) {
            const uint32_t count = bytes_[at], value = bytes_[at + 1];
            at += 2;
            if (count) {
                for (uint32_t i = 0; i < count; ++i) put(four ? (i & 1 ? value & 15 : value >> 4) : value);
                continue;
            }
            if (value == 0) { x = 0; ++row; continue; }
            if (value == 1) return true;
            if (value == 2) {
                if (!has(at, 2)) return false;
                x += bytes_[at];
                row += bytes_[at + 1];
                at += 2;
                continue;
            }
            const uint64_t length = four ? (value + 1) / 2 : value;
            if (!has(at, length)) return false;
            for (uint32_t i = 0; i < value; ++i) {
                const uint32_t b = bytes_[at + (four ? i / 2 : i)];
                put(four ? (i & 1 ? b & 15 : b >> 4) : b);
            }
            at += (length + 1) & ~1ull;
        }
        return true;
    }

    const uint8_t* bytes_;
    size_t size_;
    uint32_t pixelOffset_ = 0;
    uint32_t headerLength_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool topDown_ = false;
    uint32_t bitsPerPixel_ = 0;
    uint32_t compression_ = plainRgb;
    uint32_t coloursUsed_ = 0;
    uint32_t paletteEntryLength_ = 4;
    uint8_t palette_[256][3] = {};
    Channel red_, green_, blue_, alpha_;
};

}  // namespace

bool loadBitmapFile(const char* path, PictureSink& sink) {
    NativeFile* file = openRead(path);
    if (!file) return false;
    const uint64_t size = fileSize(file);
    std::unique_ptr<uint8_t[]> bytes;
    bool ok = size > 0 && size <= maxBitmapFile;
    if (ok) {
        bytes.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
        ok = bytes && readFile(file, bytes.get(), static_cast<uint32_t>(size)) == size;
    }
    closeFile(file);
    if (!ok) return false;
    BitmapDecoder decoder(bytes.get(), static_cast<size_t>(size));
    return decoder.decode(sink);
}

}  // namespace platform
