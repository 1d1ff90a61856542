#include "image/png_reader.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cstring>
#include <memory>

#include "image/checked_size.h"
#include "image/colour_order.h"
#include "image/png_raster.h"
#include "platform/byte_order.h"

namespace {

constexpr uint8_t signature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t headerLength = 13;
constexpr uint32_t crcLength = 4;
constexpr uint32_t maxPaletteBytes = 256 * 3;
// A bound on the chunks one search steps over, whatever the file says.
constexpr uint32_t maxChunksSearched = 1u << 20;
// The zlib header's window field for the 32 KB window.
constexpr uint8_t fullWindowInfo = 7;
// About this many scanline bytes are inflated at a time by zlib.
constexpr uint32_t pieceTarget = 32768;

// True when length bytes of data and the CRC still lie within the file.
bool fits(FileHandle& file, int64_t end, uint32_t length) {
    int64_t at = file.tell();
    return at >= 0 && static_cast<int64_t>(length) + crcLength <= end - at;
}

// The data of all IDAT chunks, gathered in file order (never more than the
// file holds). Chunks between IDAT chunks are skipped; gathering stops at the
// end of the chunks, or at an IDAT chunk that cannot be read or is empty
// (which zlib, given no input, answers with an error), which broken then
// tells.
class ImageData {
public:
    // False only when memory runs short.
    bool gather(FileHandle& file, int64_t end) {
        uint32_t length;
        while (findChunk(file, "IDAT", length)) {
            if (length == 0 || !fits(file, end, length)) return stopAtBrokenChunk();
            if (!reserve(file, end)) return false;
            if (file.read(bytes_.data() + size_, length) != length) return stopAtBrokenChunk();
            size_ += length;
            if (file.seek(crcLength, platform::SeekOrigin::current) < 0) return stopAtBrokenChunk();
        }
        return true;
    }
    const uint8_t* bytes() const { return bytes_.data(); }
    uint32_t size() const { return size_; }
    bool broken() const { return broken_; }

private:
    bool stopAtBrokenChunk() {
        broken_ = true;
        return true;
    }
    // At the first IDAT chunk, room for the rest of the file, which holds
    // all that can be gathered.
    bool reserve(FileHandle& file, int64_t end) {
        if (!bytes_.empty()) return true;
        const int64_t rest = end - file.tell();
        return rest >= 0 && rest <= UINT32_MAX &&
               bytes_.allocate(static_cast<size_t>(rest));
    }

    ByteBuffer bytes_;
    uint32_t size_ = 0;
    bool broken_ = false;
};

// The gathered stream inflated by zlib into whatever pieces are asked for:
// the way for streams that do not inflate whole, where the verdict and the
// rows depend on how far the stream goes. Its end of input ends the stream,
// unless gathering stopped at a broken chunk, which fails it.
class ImageDataStream {
public:
    explicit ImageDataStream(const ImageData& data) : data_(data) {}
    ~ImageDataStream() {
        if (started_) inflateEnd(&stream_);
    }
    ImageDataStream(const ImageDataStream&) = delete;
    ImageDataStream& operator=(const ImageDataStream&) = delete;

    bool start() {
        started_ = inflateInit(&stream_) == Z_OK;
        stream_.next_in = const_cast<Bytef*>(data_.bytes());
        stream_.avail_in = data_.size();
        return started_;
    }

    // Fills out with up to n bytes, produced telling how many came; false for
    // a damaged stream or one that runs into a broken chunk.
    bool inflateInto(uint8_t* out, uint32_t n, uint32_t& produced) {
        stream_.next_out = out;
        stream_.avail_out = n;
        while (stream_.avail_out > 0 && !ended_) {
            if (stream_.avail_in == 0) {
                if (data_.broken()) return false;
                ended_ = true;
                break;
            }
            int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) ended_ = true;
            else if (result != Z_OK) return false;
        }
        produced = n - stream_.avail_out;
        return true;
    }

private:
    const ImageData& data_;
    z_stream stream_{};
    bool started_ = false;
    bool ended_ = false;
};

int paeth(int left, int up, int corner) {
    int p = left + up - corner;
    int pa = p > left ? p - left : left - p;
    int pb = p > up ? p - up : up - p;
    int pc = p > corner ? p - corner : corner - p;
    if (pa <= pb && pa <= pc) return left;
    return pb <= pc ? up : corner;
}

// Undoes the filter named by the row's first byte on the n bytes after it;
// above is the row above, unfiltered, or null for the first row (zeros).
// Type 0 and unknown types leave the row as it is.
void unfilterRow(uint8_t* row, const uint8_t* above, uint32_t n, uint32_t distance) {
    uint8_t* p = row + 1;
    switch (row[0]) {
    case pngFilterSub:
        for (uint32_t i = distance; i < n; ++i) p[i] = static_cast<uint8_t>(p[i] + p[i - distance]);
        break;
    case pngFilterUp:
        if (above)
            for (uint32_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(p[i] + above[i]);
        break;
    case pngFilterAverage:
        for (uint32_t i = 0; i < n; ++i) {
            unsigned left = i >= distance ? p[i - distance] : 0, up = above ? above[i] : 0;
            p[i] = static_cast<uint8_t>(p[i] + ((left + up) >> 1));
        }
        break;
    case pngFilterPaeth:
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

// Turns unfiltered scanlines into rows of the image: palette entries as
// blue, green, red words (black beyond the palette), true colour swapped.
class RowConverter {
public:
    explicit RowConverter(const PngRaster& raster) : format_(raster.format), width_(raster.width) {
        const uint8_t* p = raster.paletteData.data();
        for (uint32_t i = 0; p && i < raster.paletteCount; ++i, p += 3)
            colours_[i] = static_cast<uint32_t>(p[2]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[0]) << 16;
    }

    // from: the pixel bytes of one scanline; to: the image row.
    void convert(const uint8_t* from, uint8_t* to) const {
        switch (format_) {
        case 1: packed<1>(from, to); break;
        case 2: packed<2>(from, to); break;
        case 4: packed<4>(from, to); break;
        case 8: indexed(from, to); break;
        case 24: swapRedAndBlue(from, to, width_); break;
        default: withAlpha(from, to); break;
        }
    }

private:
    // One pixel's colour as three bytes; all but the last pixel of a row may
    // take four, the fourth being overwritten by the next pixel.
    void put(uint32_t colour, uint8_t* to, bool last) const {
        if (!last) {
            std::memcpy(to, &colour, 4);
            return;
        }
        to[0] = static_cast<uint8_t>(colour);
        to[1] = static_cast<uint8_t>(colour >> 8);
        to[2] = static_cast<uint8_t>(colour >> 16);
    }
    void indexed(const uint8_t* from, uint8_t* to) const {
        const int32_t last = width_ - 1;
        for (int32_t x = 0; x < last; ++x, to += 3) std::memcpy(to, &colours_[from[x]], 4);
        put(colours_[from[last]], to, true);
    }
    // Indices packed from the most significant bit.
    template <uint32_t bits>
    void packed(const uint8_t* from, uint8_t* to) const {
        constexpr uint32_t perByte = 8 / bits, mask = (1u << bits) - 1;
        for (int32_t x = 0; x < width_; ++x, to += 3) {
            const uint32_t at = static_cast<uint32_t>(x);
            const uint32_t shift = 8 - bits * (at % perByte + 1);
            put(colours_[(from[at / perByte] >> shift) & mask], to, x == width_ - 1);
        }
    }
    void withAlpha(const uint8_t* from, uint8_t* to) const {
        for (int32_t x = 0; x < width_; ++x, from += 4, to += 3) {
            uint32_t word;
            std::memcpy(&word, from, 4);
            put(__builtin_bswap32(word) >> 8, to, x == width_ - 1);
        }
    }

    uint32_t format_;
    int32_t width_;
    uint32_t colours_[256] = {};
};

// One decode of one file into one image.
class PngDecoder {
public:
    PngDecoder(FileHandle& file, RasterImage& image) : file_(file), image_(image) {}

    bool run() {
        end_ = file_.seek(0, platform::SeekOrigin::end);
        if (end_ < 0 || file_.seek(0, platform::SeekOrigin::begin) != 0) return false;
        return readSignature() && readHeader() && readPalette() && image_.create(raster_.width, raster_.height) &&
               readRows();
    }

private:
    bool readExactly(void* buffer, uint32_t n) { return file_.read(buffer, n) == n; }
    bool skip(int64_t n) { return file_.seek(n, platform::SeekOrigin::current) >= 0; }

    bool readSignature() {
        uint8_t head[8];
        return readExactly(head, 8) && std::memcmp(head, signature, 8) == 0;
    }

    bool readHeader() {
        uint32_t length;
        uint8_t h[headerLength];
        if (!findChunk(file_, "IHDR", length) || length < headerLength || !fits(file_, end_, length)) return false;
        if (!readExactly(h, headerLength)) return false;
        uint32_t width = bytes::big32(h), height = bytes::big32(h + 4);
        uint8_t depth = h[8], colourType = h[9];
        if (width < 1 || height < 1 || width > RasterImage::maxSide || height > RasterImage::maxSide) return false;
        if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return false;
        switch (colourType) {
        case pngGrey: case pngIndexed: raster_.format = depth; break;
        case pngTrueColour: raster_.format = 24; break;
        case pngTrueColourAlpha: raster_.format = 32; break;
        default: return false;
        }
        // True colour exists only with 8-bit samples here; other depths are not PNG.
        if (raster_.format >= 24 && depth != 8) return false;
        if (h[10] != 0 || h[11] != 0 || h[12] != 0) return false;
        grey_ = colourType == pngGrey;
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
        if (!findChunk(file_, "PLTE", length) || length > maxPaletteBytes || !fits(file_, end_, length)) return false;
        if (!raster_.paletteData.allocate(length) || !readExactly(raster_.paletteData.data(), length)) return false;
        raster_.paletteCount = static_cast<uint16_t>(length / 3);
        return skip(crcLength);
    }

    // The gathered stream inflated whole by libdeflate when it is a complete
    // zlib stream with the full 32 KB window; any other stream (cut short,
    // damaged, longer than the scanlines, or with a smaller window, which
    // zlib holds to where its output is split) by zlib as a stream.
    bool readRows() {
        ImageData data;
        if (!data.gather(file_, end_)) return false;
        uint32_t total;
        if (!multiplyChecked(raster_.rowBytes, static_cast<uint32_t>(raster_.height), total)) return false;
        const bool fullWindow = data.size() > 0 && data.bytes()[0] >> 4 == fullWindowInfo;
        if (fullWindow && !raster_.scanlines.allocate(total)) return false;
        size_t produced = 0;
        const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> decompressor(
            libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
        if (fullWindow && decompressor.get() &&
            libdeflate_zlib_decompress(decompressor.get(), data.bytes(), data.size(), raster_.scanlines.data(), total,
                                       &produced) == LIBDEFLATE_SUCCESS) {
            // A stream that ends early leaves zero rows; libdeflate may have
            // used the room after its end as scratch.
            std::memset(raster_.scanlines.data() + produced, 0, total - produced);
            putRows(raster_.scanlines.data(), 0, static_cast<uint32_t>(raster_.height), nullptr);
            return true;
        }
        raster_.scanlines.release();
        return streamRows(data);
    }

    // The scanlines inflated a piece of whole rows at a time into a block
    // whose first row holds the row above the piece; rows the stream does not
    // reach are zero.
    bool streamRows(const ImageData& data) {
        const uint32_t rowBytes = raster_.rowBytes;
        const uint32_t height = static_cast<uint32_t>(raster_.height);
        uint32_t rowsPerPiece = rowBytes >= pieceTarget ? 1 : pieceTarget / rowBytes;
        if (rowsPerPiece > height) rowsPerPiece = height;
        uint32_t blockBytes;
        ByteBuffer block;
        if (!multiplyChecked(rowsPerPiece + 1, rowBytes, blockBytes) || !block.allocate(blockBytes)) return false;
        ImageDataStream stream(data);
        if (!stream.start()) return false;
        uint8_t* const first = block.data() + rowBytes;
        for (uint32_t y = 0; y < height;) {
            const uint32_t rows = height - y < rowsPerPiece ? height - y : rowsPerPiece;
            const uint32_t wanted = rows * rowBytes;
            uint32_t produced = 0;
            if (!stream.inflateInto(first, wanted, produced)) return false;
            if (produced < wanted) std::memset(first + produced, 0, wanted - produced);
            putRows(first, y, rows, y ? block.data() + 1 : nullptr);
            std::memcpy(block.data(), first + (rows - 1) * rowBytes, rowBytes);
            y += rows;
        }
        return true;
    }

    // Unfilters count scanlines in place (above: the pixel bytes of the
    // unfiltered row before the first, or null at the top) and converts them
    // into the image rows from y.
    void putRows(uint8_t* scanlines, uint32_t y, uint32_t count, const uint8_t* above) {
        const uint32_t rowBytes = raster_.rowBytes;
        const uint32_t distance = raster_.format <= 8 ? 1 : raster_.format / 8u;
        const RowConverter converter(raster_);
        uint8_t* row = scanlines;
        for (uint32_t i = 0; i < count; ++i, row += rowBytes) {
            unfilterRow(row, above, rowBytes - 1, distance);
            converter.convert(row + 1, image_.pixelAddress(0, static_cast<int32_t>(y + i)));
            above = row + 1;
        }
    }

    FileHandle& file_;
    RasterImage& image_;
    // The header, the palette, and the scanlines when they are inflated whole.
    PngRaster raster_;
    int64_t end_ = 0;
    bool grey_ = false;
};

}  // namespace

bool findChunk(FileHandle& file, const char* type, uint32_t& length) {
    for (uint32_t chunk = 0; chunk < maxChunksSearched; ++chunk) {
        uint8_t head[8];
        if (file.read(head, 8) != 8) return false;
        uint32_t n = bytes::big32(head);
        if (std::memcmp(head + 4, type, 4) == 0) {
            length = n;
            return true;
        }
        if (file.seek(static_cast<int64_t>(n) + crcLength, platform::SeekOrigin::current) < 0) return false;
    }
    return false;
}

bool decodePng(const char* path, RasterImage& image) {
    image.release();
    FileHandle file;
    PngDecoder decoder(file, image);
    if (!file.openRead(path) || !decoder.run()) image.release();
    return !image.isEmpty();
}
