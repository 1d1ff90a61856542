#include "image/png_writer.h"

#include <zlib.h>

#include <cstring>

#include "app/file_handle.h"
#include "image/checked_size.h"
#include "image/colour_index.h"
#include "image/colour_order.h"

namespace {

constexpr uint8_t signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t endChunk[12] = {0, 0, 0, 0, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
constexpr uint32_t outputWindow = 8192;

void putBigEndian32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// The scanline bytes deflate is fed: a prepared block as it is, or the rows of
// a true-colour picture turned into red, green, blue scanlines a few at a time
// in a small buffer, so the picture is never held twice.
class ScanlineFeed {
public:
    ScanlineFeed(const uint8_t* block, uint32_t n) : block_(block), left_(n) {}
    explicit ScanlineFeed(const RasterImage& image) : image_(&image) {
        if (!pngRowBytes(image.width(), 24, rowBytes_)) return;
        rowsPerPiece_ = rowBytes_ >= pieceTarget ? 1 : pieceTarget / rowBytes_;
        if (rowsPerPiece_ > static_cast<uint32_t>(image.height())) rowsPerPiece_ = static_cast<uint32_t>(image.height());
        pieces_.allocate(static_cast<size_t>(rowsPerPiece_) * rowBytes_);
    }
    bool ok() const { return !image_ || !pieces_.empty(); }

    // The next piece, at least one byte; false when all has been given.
    bool next(const uint8_t*& data, uint32_t& n) {
        if (!image_) {
            if (!left_) return false;
            data = block_;
            n = left_;
            left_ = 0;
            return true;
        }
        if (row_ >= image_->height()) return false;
        uint8_t* to = pieces_.data();
        uint32_t rows = 0;
        for (; rows < rowsPerPiece_ && row_ < image_->height(); ++rows, ++row_) {
            *to++ = 0;
            swapRedAndBlue(image_->pixelAddress(0, row_), to, image_->width());
            to += rowBytes_ - 1;
        }
        data = pieces_.data();
        n = rows * rowBytes_;
        return true;
    }

private:
    static constexpr uint32_t pieceTarget = 65536;
    const uint8_t* block_ = nullptr;
    uint32_t left_ = 0;
    const RasterImage* image_ = nullptr;
    ByteBuffer pieces_;
    uint32_t rowBytes_ = 0;
    uint32_t rowsPerPiece_ = 0;
    int32_t row_ = 0;
};

// Writes the chunks of one file; any failed write makes it fail for good.
class PngFile {
public:
    explicit PngFile(FileHandle& file) : file_(file) {}
    bool ok() const { return ok_; }

    void write(const void* data, uint32_t n) {
        if (ok_ && file_.write(data, n) != n) ok_ = false;
    }
    void writeBigEndian32(uint32_t v) {
        uint8_t b[4];
        putBigEndian32(b, v);
        write(b, 4);
    }
    void chunk(const char* type, const uint8_t* data, uint32_t n) {
        uLong crc = crc32(0, nullptr, 0);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(type), 4);
        if (n) crc = crc32(crc, data, n);
        writeBigEndian32(n);
        write(type, 4);
        if (n) write(data, n);
        writeBigEndian32(static_cast<uint32_t>(crc));
    }

    // All the scanlines deflated into one IDAT chunk, leaving in full pieces
    // of the output window (the last one as far as it is filled); the length
    // is patched in at the end.
    bool imageData(ScanlineFeed& feed, int level) {
        ByteBuffer window;
        if (!ok_ || !window.allocate(outputWindow)) return false;
        int64_t lengthAt = file_.tell();
        write("\0\0\0\0IDAT", 8);
        z_stream stream{};
        if (!ok_ || lengthAt < 0 || deflateInit(&stream, level) != Z_OK) return false;
        uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>("IDAT"), 4);
        uint32_t length = 0;
        int result = Z_OK;
        bool more = true;
        stream.next_out = window.data();
        stream.avail_out = outputWindow;
        while (result == Z_OK && ok_) {
            if (stream.avail_in == 0 && more) {
                const uint8_t* piece = nullptr;
                uint32_t n = 0;
                more = feed.next(piece, n);
                stream.next_in = const_cast<Bytef*>(piece);
                stream.avail_in = more ? n : 0;
            }
            result = deflate(&stream, more ? Z_NO_FLUSH : Z_FINISH);
            if (result != Z_OK && result != Z_STREAM_END) break;
            if (stream.avail_out == 0 || result == Z_STREAM_END) {
                const uint32_t produced = outputWindow - stream.avail_out;
                if (!addChecked(length, produced, length)) ok_ = false;
                crc = crc32(crc, window.data(), produced);
                write(window.data(), produced);
                stream.next_out = window.data();
                stream.avail_out = outputWindow;
            }
        }
        deflateEnd(&stream);
        if (result != Z_STREAM_END || !ok_) return false;
        int64_t endAt = file_.tell();
        if (file_.seek(lengthAt, platform::SeekOrigin::begin) != lengthAt) return false;
        writeBigEndian32(length);
        if (file_.seek(endAt, platform::SeekOrigin::begin) != endAt) return false;
        writeBigEndian32(static_cast<uint32_t>(crc));
        return ok_;
    }

private:
    FileHandle& file_;
    bool ok_ = true;
};

// The tRNS chunk for transparent (0x00BBGGRR): the colour itself for true
// colour, the alpha run up to its first palette entry for indices; false when
// there is nothing to write.
bool transparencyChunk(uint32_t format, const uint8_t* palette, uint32_t paletteCount, int32_t transparent, uint8_t* out,
                       uint32_t& n) {
    const uint8_t r = static_cast<uint8_t>(transparent), g = static_cast<uint8_t>(transparent >> 8),
                  b = static_cast<uint8_t>(transparent >> 16);
    if (format == 24) {
        const uint8_t samples[6] = {0, r, 0, g, 0, b};
        for (n = 0; n < 6; ++n) out[n] = samples[n];
        return true;
    }
    const uint8_t* p = palette;
    for (uint32_t i = 0; p && i < paletteCount; ++i, p += 3) {
        if (p[0] == r && p[1] == g && p[2] == b) {
            for (uint32_t j = 0; j < i; ++j) out[j] = 255;
            out[i] = 0;
            n = i + 1;
            return true;
        }
    }
    return false;
}

}  // namespace

namespace {

// Sets raster's format and size and allocates its zero-filled scanlines (every
// filter byte 0).
bool startRaster(const RasterImage& source, PngRaster& raster, int format) {
    raster.format = static_cast<uint16_t>(format);
    raster.width = source.width();
    raster.height = source.height();
    raster.paletteCount = 0;
    raster.paletteData.release();
    uint32_t total;
    return pngRowBytes(raster.width, raster.format, raster.rowBytes) &&
           multiplyChecked(raster.rowBytes, static_cast<uint32_t>(raster.height), total) &&
           raster.scanlines.allocate(total);
}

uint8_t* rowOf(PngRaster& raster, int32_t y) { return raster.scanlines.data() + static_cast<size_t>(y) * raster.rowBytes + 1; }

// Blue, green, red pixels become red, green, blue.
void fillTrueColour(const RasterImage& source, PngRaster& raster) {
    for (int32_t y = 0; y < raster.height; ++y) swapRedAndBlue(source.pixelAddress(0, y), rowOf(raster, y), raster.width);
}

bool setPalette(PngRaster& raster, const uint32_t* palette, int count) {
    uint8_t* colours = raster.paletteData.allocate(static_cast<size_t>(count) * 3);
    if (!colours) return false;
    for (int i = 0; i < count; ++i, colours += 3) {
        colours[0] = static_cast<uint8_t>(palette[i] >> 16);
        colours[1] = static_cast<uint8_t>(palette[i] >> 8);
        colours[2] = static_cast<uint8_t>(palette[i]);
    }
    raster.paletteCount = static_cast<uint16_t>(count);
    return true;
}

bool usable(const RasterImage& source) { return !source.isEmpty() && source.bytesPerPixel() == 3; }

}  // namespace

bool preparePng(const RasterImage& source, PngRaster& raster, int format, const uint32_t* palette, int count) {
    if (!usable(source) || (format != 8 && format != 24)) return false;
    if (format == 8 && (!palette || count < 1 || count > 256)) return false;
    if (!startRaster(source, raster, format)) return false;
    if (format == 24) {
        fillTrueColour(source, raster);
        return true;
    }
    PaletteLookup lookup(palette, count);
    const int32_t width = raster.width;
    for (int32_t y = 0; y < raster.height; ++y) {
        const uint8_t* from = source.pixelAddress(0, y);
        uint8_t* to = rowOf(raster, y);
        for (int32_t x = 0; x < width; ++x, from += 3) *to++ = lookup.indexOf(from);
    }
    return setPalette(raster, palette, count);
}

bool preparePngPalette(const RasterImage& source, PngRaster& raster, uint32_t* palette, int& count) {
    // The census writes each pixel's palette position straight into the
    // scanlines; past 256 colours they are given up.
    if (!usable(source) || !palette || !startRaster(source, raster, 8) ||
        !source.countColours(palette, count, raster.scanlines.data() + 1, raster.rowBytes))
        return false;
    if (count) return setPalette(raster, palette, count);
    raster.scanlines.release();
    return true;
}

namespace {

// The whole file: signature, IHDR, PLTE for format 8, tRNS, IDAT, IEND.
bool writeFile(const char* path, int32_t width, int32_t height, uint32_t format, const uint8_t* palette,
               uint32_t paletteCount, int32_t transparent, ScanlineFeed& feed, int level) {
    FileHandle file;
    if (!file.createWrite(path)) return false;
    PngFile png(file);
    png.write(signature, sizeof signature);
    uint8_t header[13];
    putBigEndian32(header, static_cast<uint32_t>(width));
    putBigEndian32(header + 4, static_cast<uint32_t>(height));
    header[8] = 8;
    header[9] = format == 24 ? 2 : 3;
    header[10] = header[11] = header[12] = 0;
    png.chunk("IHDR", header, sizeof header);
    if (format == 8 && paletteCount && palette) png.chunk("PLTE", palette, paletteCount * 3u);
    uint8_t alpha[256];
    uint32_t alphaLength = 0;
    if (transparent != -1 && transparencyChunk(format, palette, paletteCount, transparent, alpha, alphaLength))
        png.chunk("tRNS", alpha, alphaLength);
    bool ok = png.imageData(feed, level);
    png.write(endChunk, sizeof endChunk);
    const bool closed = file.close();
    if (!ok || !png.ok() || !closed) {
        platform::deleteFile(path);
        return false;
    }
    return true;
}

}  // namespace

bool writePng(const PngRaster& raster, const char* path, int level, int32_t transparent) {
    if (raster.scanlines.empty() || (raster.format != 8 && raster.format != 24)) return false;
    uint32_t rowBytes, total;
    if (raster.width < 1 || raster.height < 1 || !pngRowBytes(raster.width, raster.format, rowBytes) ||
        !multiplyChecked(rowBytes, static_cast<uint32_t>(raster.height), total) || total > raster.scanlines.size())
        return false;
    const bool palette = raster.format == 8 && raster.paletteCount && !raster.paletteData.empty() &&
                         raster.paletteData.size() >= raster.paletteCount * 3u;
    ScanlineFeed feed(raster.scanlines.data(), total);
    return writeFile(path, raster.width, raster.height, raster.format, palette ? raster.paletteData.data() : nullptr,
                     palette ? raster.paletteCount : 0, transparent, feed, level);
}

bool writeTrueColourPng(const RasterImage& image, const char* path, int level, int32_t transparent) {
    if (!usable(image)) return false;
    ScanlineFeed feed(image);
    if (!feed.ok()) return false;
    return writeFile(path, image.width(), image.height(), 24, nullptr, 0, transparent, feed, level);
}
