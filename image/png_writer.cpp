#include "image/png_writer.h"

#include <zlib.h>

#include "app/file_handle.h"
#include "image/checked_size.h"
#include "image/colour_index.h"

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

    // The whole scanline block deflated into one IDAT chunk, leaving in
    // pieces of the output window; the length is patched in at the end.
    bool imageData(const uint8_t* data, uint32_t n, int level) {
        ByteBuffer window;
        if (!ok_ || !window.allocate(outputWindow)) return false;
        int64_t lengthAt = file_.tell();
        write("\0\0\0\0IDAT", 8);
        z_stream stream{};
        if (!ok_ || lengthAt < 0 || deflateInit(&stream, level) != Z_OK) return false;
        stream.next_in = const_cast<Bytef*>(data);
        stream.avail_in = n;
        uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>("IDAT"), 4);
        uint32_t length = 0;
        int result = Z_OK;
        while (result == Z_OK && ok_) {
            stream.next_out = window.data();
            stream.avail_out = outputWindow;
            result = deflate(&stream, stream.avail_in ? Z_NO_FLUSH : Z_FINISH);
            uint32_t produced = outputWindow - stream.avail_out;
            if (result != Z_OK && result != Z_STREAM_END) break;
            if (!addChecked(length, produced, length)) ok_ = false;
            crc = crc32(crc, window.data(), produced);
            write(window.data(), produced);
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
bool transparencyChunk(const PngRaster& raster, int32_t transparent, uint8_t* out, uint32_t& n) {
    const uint8_t r = static_cast<uint8_t>(transparent), g = static_cast<uint8_t>(transparent >> 8),
                  b = static_cast<uint8_t>(transparent >> 16);
    if (raster.format == 24) {
        const uint8_t samples[6] = {0, r, 0, g, 0, b};
        for (n = 0; n < 6; ++n) out[n] = samples[n];
        return true;
    }
    const uint8_t* p = raster.paletteData.data();
    for (uint32_t i = 0; p && i < raster.paletteCount; ++i, p += 3) {
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
    const int32_t width = raster.width;
    for (int32_t y = 0; y < raster.height; ++y) {
        const uint8_t* from = source.pixelAddress(0, y);
        uint8_t* to = rowOf(raster, y);
        for (int32_t x = 0; x < width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
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

bool preparePngWithCensus(const RasterImage& source, PngRaster& raster, uint32_t* palette, int& count) {
    // The census writes each pixel's palette position straight into the
    // 8-bit scanlines; a picture past 256 colours starts again in true colour.
    if (!usable(source) || !palette || !startRaster(source, raster, 8) ||
        !source.countColours(palette, count, raster.scanlines.data() + 1, raster.rowBytes))
        return false;
    if (count) return setPalette(raster, palette, count);
    if (!startRaster(source, raster, 24)) return false;
    fillTrueColour(source, raster);
    return true;
}

bool writePng(const PngRaster& raster, const char* path, int level, int32_t transparent) {
    if (raster.scanlines.empty() || (raster.format != 8 && raster.format != 24)) return false;
    uint32_t rowBytes, total;
    if (raster.width < 1 || raster.height < 1 || !pngRowBytes(raster.width, raster.format, rowBytes) ||
        !multiplyChecked(rowBytes, static_cast<uint32_t>(raster.height), total) || total > raster.scanlines.size())
        return false;
    FileHandle file;
    if (!file.createWrite(path)) return false;
    PngFile png(file);
    png.write(signature, sizeof signature);
    uint8_t header[13];
    putBigEndian32(header, static_cast<uint32_t>(raster.width));
    putBigEndian32(header + 4, static_cast<uint32_t>(raster.height));
    header[8] = 8;
    header[9] = raster.format == 24 ? 2 : 3;
    header[10] = header[11] = header[12] = 0;
    png.chunk("IHDR", header, sizeof header);
    if (raster.format == 8 && raster.paletteCount && !raster.paletteData.empty() &&
        raster.paletteData.size() >= raster.paletteCount * 3u)
        png.chunk("PLTE", raster.paletteData.data(), raster.paletteCount * 3u);
    uint8_t alpha[256];
    uint32_t alphaLength = 0;
    if (transparent != -1 && transparencyChunk(raster, transparent, alpha, alphaLength))
        png.chunk("tRNS", alpha, alphaLength);
    bool ok = png.imageData(raster.scanlines.data(), total, level);
    png.write(endChunk, sizeof endChunk);
    const bool closed = file.close();
    if (!ok || !png.ok() || !closed) {
        platform::deleteFile(path);
        return false;
    }
    return true;
}
