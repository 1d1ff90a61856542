#include "image/gif_writer.h"

#include <cstring>

#include "app/file_handle.h"
#include "image/colour_index.h"
#include "image/palette.h"
#include "platform/byte_order.h"

static_assert(RasterImage::maxSide <= 0xFFFF, "GIF sizes are 16 bits");

namespace {

constexpr uint32_t paletteBytes = 256 * 3;
constexpr uint8_t minimumCodeSize = 8;
// Block introducers and labels.
constexpr uint8_t extensionIntroducer = 0x21;
constexpr uint8_t graphicControlLabel = 0xF9;
constexpr uint8_t imageSeparator = 0x2C;
constexpr uint8_t gifTrailer = 0x3B;

// The table-size code s: the global table has 2^(s+1) entries.
uint8_t tableSizeCode(uint32_t colours) {
    uint8_t s = 0;
    while (s < 7 && (2u << s) < colours) ++s;
    return s;
}

}  // namespace

bool LzwWriter::compress(const uint8_t* indices, size_t count) {
    if (!indices || count == 0) return false;
    if (!table_.allocate(tableSlots * sizeof(uint32_t))) return false;
    // A first guess at the output; it grows when needed.
    if (!output_.allocate(count / 2 + 1024)) return false;
    outputSize_ = 0;
    failed_ = false;
    closed_ = false;
    blockFill_ = bitBuffer_ = bitCount_ = 0;
    reset();
    emit(clearCode);
    uint32_t* table = reinterpret_cast<uint32_t*>(table_.data());
    uint32_t prefix = indices[0];
    for (size_t i = 1; i < count; ++i) {
        const uint32_t b = indices[i];
        const uint32_t key = prefix << 8 | b;
        uint32_t slot = ((key >> 12) ^ key) & (tableSlots - 1);
        uint32_t entry;
        while ((entry = table[slot]) >> 12 != 0xFFFFF && entry >> 12 != key) slot = (slot + 1) & (tableSlots - 1);
        if (entry >> 12 == key) {
            prefix = entry & 0xFFF;
            continue;
        }
        emit(prefix);
        if (nextCode_ < codeLimit) {
            table[slot] = key << 12 | nextCode_++;
        } else {
            emit(clearCode);
            reset();
        }
        prefix = b;
    }
    emit(prefix);
    emit(endCode);
    finish();
    return !failed_;
}

void LzwWriter::reset() {
    std::memset(table_.data(), 0xFF, table_.size());
    nextCode_ = firstCode;
    codeWidth_ = 9;
    widthLimit_ = 512;
}

void LzwWriter::emit(uint32_t code) {
    bitBuffer_ |= code << bitCount_;
    bitCount_ += codeWidth_;
    while (bitCount_ >= 8) {
        putByte(static_cast<uint8_t>(bitBuffer_));
        bitBuffer_ >>= 8;
        bitCount_ -= 8;
    }
    // Checked after writing, so the code that reaches the limit still goes
    // out at the old width.
    if (nextCode_ >= widthLimit_ && codeWidth_ < 12) {
        ++codeWidth_;
        widthLimit_ <<= 1;
    }
}

void LzwWriter::putByte(uint8_t byte) {
    if (closed_) return;
    if (blockFill_ == 255) writeBlock();
    block_[++blockFill_] = byte;
}

// Appends the pending sub-block (its length byte, then its bytes).
void LzwWriter::writeBlock() {
    const size_t n = blockFill_ + 1u;
    if (outputSize_ + n > output_.size() && !output_.resize(output_.size() * 2 + n)) failed_ = true;
    if (!failed_) {
        block_[0] = static_cast<uint8_t>(blockFill_);
        std::memcpy(output_.data() + outputSize_, block_, n);
        outputSize_ += n;
    }
    blockFill_ = 0;
}

void LzwWriter::finish() {
    while (bitCount_ > 0) {
        putByte(static_cast<uint8_t>(bitBuffer_));
        bitBuffer_ >>= 8;
        bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
    }
    if (blockFill_) writeBlock();
    writeBlock();  // the zero-length terminator
    closed_ = true;
}

bool prepareGif(const RasterImage& source, GifRaster& gif, const uint32_t* palette, int count) {
    if (source.isEmpty() || source.bytesPerPixel() != 3 || !palette || count < 1 || count > 256) return false;
    const int32_t width = source.width(), height = source.height();
    if (!gif.indices.allocate(static_cast<size_t>(width) * static_cast<size_t>(height))) return false;
    uint8_t* colours = gif.paletteData.allocate(paletteBytes);
    if (!colours) return false;
    gif.width = static_cast<uint16_t>(width);
    gif.height = static_cast<uint16_t>(height);
    PaletteLookup lookup(palette, count);
    uint8_t* to = gif.indices.data();
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* from = source.pixelAddress(0, y);
        for (int32_t x = 0; x < width; ++x, from += 3) *to++ = lookup.indexOf(from);
    }
    packPalette(palette, count, colours);
    gif.colourCount = static_cast<uint16_t>(count);
    return true;
}

bool writeGif(const GifRaster& gif, const char* path, int32_t transparent) {
    const size_t pixels = static_cast<size_t>(gif.width) * gif.height;
    if (pixels == 0 || gif.indices.size() < pixels || gif.paletteData.size() < paletteBytes || gif.colourCount < 1 ||
        gif.colourCount > 256)
        return false;
    LzwWriter lzw;
    if (!lzw.compress(gif.indices.data(), pixels)) return false;

    // Everything before the image data: header, screen, table, extension, descriptor.
    uint8_t head[6 + 7 + paletteBytes + 8 + 10 + 1];
    uint8_t* p = head;
    std::memcpy(p, "GIF89a", 6);
    p += 6;
    const uint8_t s = tableSizeCode(gif.colourCount);
    bytes::putLittle16(p, gif.width);
    bytes::putLittle16(p, gif.height);
    *p++ = static_cast<uint8_t>(0xF0 | s);
    *p++ = 0;
    *p++ = 0;
    const uint32_t tableLength = (2u << s) * 3;
    std::memcpy(p, gif.paletteData.data(), tableLength);
    p += tableLength;
    const int entry = transparent == -1 ? -1 : transparentEntry(gif.paletteData.data(), gif.colourCount, transparent);
    if (entry >= 0) {
        // Graphic control: 4 bytes, transparency on, no delay, the entry.
        const uint8_t extension[8] = {extensionIntroducer, graphicControlLabel, 0x04, 0x01, 0x00, 0x00,
                                      static_cast<uint8_t>(entry), 0x00};
        std::memcpy(p, extension, sizeof extension);
        p += sizeof extension;
    }
    *p++ = imageSeparator;
    bytes::putLittle16(p, 0);
    bytes::putLittle16(p, 0);
    bytes::putLittle16(p, gif.width);
    bytes::putLittle16(p, gif.height);
    *p++ = 0;
    *p++ = minimumCodeSize;
    const uint32_t headLength = static_cast<uint32_t>(p - head);

    FileHandle file;
    if (!file.createWrite(path)) return false;
    const uint8_t trailer = gifTrailer;
    bool ok = file.write(head, headLength) == headLength;
    const uint8_t* data = lzw.data();
    for (size_t left = lzw.size(); ok && left > 0;) {
        const uint32_t n = left > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(left);
        ok = file.write(data, n) == n;
        data += n;
        left -= n;
    }
    ok = ok && file.write(&trailer, 1) == 1;
    ok = file.close() && ok;
    if (!ok) platform::deleteFile(path);
    return ok;
}
