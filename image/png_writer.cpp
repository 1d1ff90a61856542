#include "image/png_writer.h"

#include "app/file_handle.h"
#include "image/checked_size.h"
#include "image/colour_index.h"
#include "image/colour_order.h"
#include "image/palette.h"
#include "image/png_chunks.h"
#include "platform/byte_order.h"

namespace {

// The tRNS chunk for transparent (0x00BBGGRR): the colour itself for true
// colour, the alpha run up to its first palette entry for indices; false when
// there is nothing to write.
bool transparencyChunk(uint32_t format, const uint8_t* palette, uint32_t paletteCount, int32_t transparent, uint8_t* out,
                       uint32_t& n) {
    if (format == 24) {
        const uint8_t samples[6] = {0, static_cast<uint8_t>(transparent), 0, static_cast<uint8_t>(transparent >> 8),
                                    0, static_cast<uint8_t>(transparent >> 16)};
        for (n = 0; n < 6; ++n) out[n] = samples[n];
        return true;
    }
    const int entry = transparentEntry(palette, paletteCount, transparent);
    if (entry < 0) return false;
    n = static_cast<uint32_t>(entry) + 1;
    for (uint32_t j = 0; j + 1 < n; ++j) out[j] = 255;
    out[entry] = 0;
    return true;
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
    packPalette(palette, count, colours);
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

// The picture's fields as a PNG's chunks hold them.
struct PngPicture {
    int32_t width;
    int32_t height;
    uint32_t format;
    const uint8_t* palette;  // null, or paletteCount entries of red, green, blue
    uint32_t paletteCount;
    int32_t transparent;
};

// Signature, IHDR, PLTE for format 8, tRNS, the IDAT chunk imageData made by
// deflatedChunk, IEND.
void writeChunks(const PngPicture& picture, const ByteBuffer& imageData, uint32_t imageDataLength, PngFile& png) {
    png.write(pngSignature, sizeof pngSignature);
    uint8_t header[13];
    uint8_t* at = header;
    bytes::putBig32(at, static_cast<uint32_t>(picture.width));
    bytes::putBig32(at, static_cast<uint32_t>(picture.height));
    header[8] = 8;
    header[9] = picture.format == 24 ? pngTrueColour : pngIndexed;
    header[10] = header[11] = header[12] = 0;
    png.chunk("IHDR", header, sizeof header);
    if (picture.format == 8 && picture.paletteCount && picture.palette)
        png.chunk("PLTE", picture.palette, picture.paletteCount * 3u);
    uint8_t alpha[256];
    uint32_t alphaLength = 0;
    if (picture.transparent != -1 && transparencyChunk(picture.format, picture.palette, picture.paletteCount,
                                                        picture.transparent, alpha, alphaLength))
        png.chunk("tRNS", alpha, alphaLength);
    png.write(imageData.data(), imageDataLength);
    png.write(pngEndChunk, sizeof pngEndChunk);
}

// Level 4 when fewer than 1 pixel in 20 of every eighth row equals its left
// neighbour, else 6.
int levelByPicture(const PngRaster& raster, uint32_t rowBytes) {
    const int32_t size = raster.format / 8;
    uint64_t pairs = 0, repeats = 0;
    for (int32_t y = 0; y < raster.height; y += 8) {
        const uint8_t* p = raster.scanlines.data() + static_cast<size_t>(y) * rowBytes + 1;
        for (int32_t x = 1; x < raster.width; ++x, p += size)
            repeats += p[0] == p[size] && (size == 1 || (p[1] == p[size + 1] && p[2] == p[size + 2]));
        pairs += static_cast<uint32_t>(raster.width - 1);
    }
    return repeats * 20 < pairs ? 4 : 6;
}

// The picture of raster and its IDAT chunk, the level chosen when asked
// for. False for a raster that cannot be written or a stream that cannot be
// made.
bool compressRaster(const PngRaster& raster, int level, int32_t transparent, PngPicture& picture,
                    ByteBuffer& imageData, uint32_t& imageDataLength) {
    if (raster.scanlines.empty() || (raster.format != 8 && raster.format != 24)) return false;
    uint32_t rowBytes, total;
    if (raster.width < 1 || raster.height < 1 || !pngRowBytes(raster.width, raster.format, rowBytes) ||
        !multiplyChecked(rowBytes, static_cast<uint32_t>(raster.height), total) || total > raster.scanlines.size())
        return false;
    if (level == pngLevelByPicture) level = levelByPicture(raster, rowBytes);
    const bool palette = raster.format == 8 && raster.paletteCount && !raster.paletteData.empty() &&
                         raster.paletteData.size() >= raster.paletteCount * 3u;
    picture = {raster.width, raster.height, raster.format, palette ? raster.paletteData.data() : nullptr,
               palette ? raster.paletteCount : 0u, transparent};
    return deflatedChunk("IDAT", nullptr, 0, raster.scanlines.data(), total, level, imageData, imageDataLength);
}

}  // namespace

// The stream is made before the file is created, so a picture that cannot
// be compressed leaves no file.
bool writePng(const PngRaster& raster, const char* path, int level, int32_t transparent) {
    PngPicture picture;
    ByteBuffer imageData;
    uint32_t imageDataLength = 0;
    if (!compressRaster(raster, level, transparent, picture, imageData, imageDataLength)) return false;
    FileHandle file;
    if (!file.createWrite(path)) return false;
    PngFile png(file);
    writeChunks(picture, imageData, imageDataLength, png);
    const bool closed = file.close();
    if (!png.ok() || !closed) {
        platform::deleteFile(path);
        return false;
    }
    return true;
}

bool encodePng(const PngRaster& raster, int level, std::string& out) {
    PngPicture picture;
    ByteBuffer imageData;
    uint32_t imageDataLength = 0;
    if (!compressRaster(raster, level, -1, picture, imageData, imageDataLength)) return false;
    out.clear();
    PngFile png(out);
    writeChunks(picture, imageData, imageDataLength, png);
    return png.ok();
}
