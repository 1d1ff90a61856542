#include "image/png_reader.h"

#include <zlib.h>

#include <cstring>

#include "image/checked_size.h"

namespace {

constexpr uint8_t signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t inputWindow = 8192;
constexpr uint32_t headerLength = 13;
constexpr uint32_t crcLength = 4;
constexpr uint32_t maxPaletteBytes = 256 * 3;
// A bound on the chunks one search steps over, whatever the file says.
constexpr uint32_t maxChunksSearched = 1u << 20;

uint32_t bigEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// One decode of one file: the file, its length and the raster being filled.
class PngDecoder {
public:
    PngDecoder(FileHandle& file, PngRaster& raster) : file_(file), raster_(raster) {}

    bool run() {
        end_ = file_.seek(0, platform::SeekOrigin::end);
        if (end_ < 0 || file_.seek(0, platform::SeekOrigin::begin) != 0) return false;
        return readSignature() && readHeader() && readPalette() && readImageData() && unfilter();
    }

private:
    // True when length bytes of data and the CRC still lie within the file.
    bool fits(uint32_t length) {
        int64_t at = file_.tell();
        return at >= 0 && static_cast<int64_t>(length) + crcLength <= end_ - at;
    }
    bool readExactly(void* buffer, uint32_t n) { return file_.read(buffer, n) == n; }
    bool skip(int64_t n) { return file_.seek(n, platform::SeekOrigin::current) >= 0; }

    bool readSignature() {
        uint8_t head[8];
        return readExactly(head, 8) && std::memcmp(head, signature, 8) == 0;
    }

    bool readHeader() {
        uint32_t length;
        uint8_t h[headerLength];
        if (!findChunk(file_, "IHDR", length) || length < headerLength || !fits(length)) return false;
        if (!readExactly(h, headerLength)) return false;
        uint32_t width = bigEndian32(h), height = bigEndian32(h + 4);
        uint8_t depth = h[8], colourType = h[9];
        if (width < 1 || height < 1 || width > RasterImage::maxSide || height > RasterImage::maxSide) return false;
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return false;
        switch (colourType) {
        case 0: case 3: raster_.format = depth; break;
        case 2: raster_.format = 24; break;
        case 6: raster_.format = 32; break;
        default: return false;
        }
        // True colour exists only with 8-bit samples here; other depths are not PNG.
        if (raster_.format >= 24 && depth != 8) return false;
        if (h[10] != 0 || h[11] != 0 || h[12] != 0) return false;
        grey_ = colourType == 0;
        raster_.width = static_cast<int32_t>(width);
        raster_.height = static_cast<int32_t>(height);
        if (!pngRowBytes(raster_.width, raster_.format, raster_.rowBytes)) return false;
        return skip(static_cast<int64_t>(length) - headerLength + crcLength);
    }

    bool readPalette() {
        raster_.paletteCount = 0;
        if (raster_.format > 8) return true;
        if (grey_) {
            uint32_t count = 1u << raster_.format;
            uint32_t step = 256 / (count - 1);
            uint8_t* p = raster_.paletteData.allocate(count * 3);
            if (!p) return false;
            for (uint32_t i = 0; i < count; ++i, p += 3) {
                uint32_t level = i * step;
                p[0] = p[1] = p[2] = static_cast<uint8_t>(level > 255 ? 255 : level);
            }
            raster_.paletteCount = static_cast<uint16_t>(count);
            return true;
        }
        uint32_t length;
        if (!findChunk(file_, "PLTE", length) || length > maxPaletteBytes || !fits(length)) return false;
        if (!raster_.paletteData.allocate(length) || !readExactly(raster_.paletteData.data(), length)) return false;
        raster_.paletteCount = static_cast<uint16_t>(length / 3);
        return skip(crcLength);
    }

    bool readImageData() {
        // The picture it becomes must be allowed before anything is allocated;
        // the scanlines are then at most 4/3 of its size.
        uint32_t pictureBytes, total;
        if (!RasterImage::sizeAllowed(raster_.width, raster_.height, 24, pictureBytes) ||
            !multiplyChecked(raster_.rowBytes, static_cast<uint32_t>(raster_.height), total))
            return false;
        if (!raster_.scanlines.allocate(total)) return false;
        ByteBuffer input;
        if (!input.allocate(inputWindow)) return false;
        z_stream stream{};
        if (inflateInit(&stream) != Z_OK) return false;
        stream.next_out = raster_.scanlines.data();
        stream.avail_out = total;
        bool ok = inflateChunks(stream, input);
        inflateEnd(&stream);
        return ok;
    }

    // Feeds every IDAT chunk to the stream until it ends or the scanlines are
    // full; a stream that simply stops is accepted.
    bool inflateChunks(z_stream& stream, ByteBuffer& input) {
        uint32_t length;
        while (findChunk(file_, "IDAT", length)) {
            if (!fits(length)) return false;
            if (length > input.size() && !input.resize(length)) return false;
            if (!readExactly(input.data(), length)) return false;
            stream.next_in = input.data();
            stream.avail_in = length;
            while (stream.avail_in > 0 && stream.avail_out > 0) {
                int result = inflate(&stream, Z_NO_FLUSH);
                if (result == Z_STREAM_END) return true;
                if (result != Z_OK) return false;
            }
            if (stream.avail_out == 0) return true;
            if (!skip(crcLength)) return false;
        }
        return true;
    }

    bool unfilter() {
        const uint32_t rowBytes = raster_.rowBytes;
        const uint32_t distance = raster_.format <= 8 ? 1 : raster_.format / 8u;
        const uint32_t n = rowBytes - 1;
        uint8_t* above = nullptr;
        uint8_t* row = raster_.scanlines.data();
        for (int32_t y = 0; y < raster_.height; ++y, above = row + 1, row += rowBytes) {
            uint8_t* p = row + 1;
            switch (row[0]) {
            case 1:
                for (uint32_t i = distance; i < n; ++i) p[i] = static_cast<uint8_t>(p[i] + p[i - distance]);
                break;
            case 2:
                if (above)
                    for (uint32_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(p[i] + above[i]);
                break;
            case 3:
                for (uint32_t i = 0; i < n; ++i) {
                    unsigned left = i >= distance ? p[i - distance] : 0, up = above ? above[i] : 0;
                    p[i] = static_cast<uint8_t>(p[i] + ((left + up) >> 1));
                }
                break;
            case 4:
                for (uint32_t i = 0; i < n; ++i) {
                    int left = i >= distance ? p[i - distance] : 0, up = above ? above[i] : 0;
                    int corner = above && i >= distance ? above[i - distance] : 0;
                    p[i] = static_cast<uint8_t>(p[i] + paeth(left, up, corner));
                }
                break;
            default:
                break;
            }
        }
        return true;
    }

    static int paeth(int left, int up, int corner) {
        int p = left + up - corner;
        int pa = p > left ? p - left : left - p;
        int pb = p > up ? p - up : up - p;
        int pc = p > corner ? p - corner : corner - p;
        if (pa <= pb && pa <= pc) return left;
        return pb <= pc ? up : corner;
    }

    FileHandle& file_;
    PngRaster& raster_;
    int64_t end_ = 0;
    bool grey_ = false;
};

}  // namespace

bool findChunk(FileHandle& file, const char* type, uint32_t& length) {
    for (uint32_t chunk = 0; chunk < maxChunksSearched; ++chunk) {
        uint8_t head[8];
        if (file.read(head, 8) != 8) return false;
        uint32_t n = bigEndian32(head);
        if (std::memcmp(head + 4, type, 4) == 0) {
            length = n;
            return true;
        }
        if (file.seek(static_cast<int64_t>(n) + crcLength, platform::SeekOrigin::current) < 0) return false;
    }
    return false;
}

bool readPng(const char* path, PngRaster& raster) {
    FileHandle file;
    if (!file.openRead(path)) return false;
    PngDecoder decoder(file, raster);
    return decoder.run();
}

bool pngToImage(const PngRaster& raster, RasterImage& image) {
    if (raster.scanlines.empty() || !image.create(raster.width, raster.height)) return false;
    const uint8_t black[3] = {0, 0, 0};
    const uint8_t* palette = raster.paletteData.data();
    const uint32_t entries = raster.paletteData.empty() ? 0 : raster.paletteCount;
    const uint32_t format = raster.format;
    const int32_t width = raster.width;
    for (int32_t y = 0; y < raster.height; ++y) {
        const uint8_t* from = raster.scanlines.data() + static_cast<size_t>(y) * raster.rowBytes + 1;
        uint8_t* to = image.pixelAddress(0, y);
        if (format >= 24) {
            const uint32_t step = format / 8;
            for (int32_t x = 0; x < width; ++x, from += step, to += 3) {
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
            continue;
        }
        const uint32_t perByte = 8 / format, mask = (1u << format) - 1;
        for (int32_t x = 0; x < width; ++x, to += 3) {
            uint32_t byte = from[static_cast<uint32_t>(x) / perByte];
            uint32_t shift = 8 - format * (static_cast<uint32_t>(x) % perByte + 1);
            uint32_t index = (byte >> shift) & mask;
            const uint8_t* c = index < entries ? palette + index * 3 : black;
            to[0] = c[2];
            to[1] = c[1];
            to[2] = c[0];
        }
    }
    return true;
}
