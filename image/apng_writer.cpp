#include "image/apng_writer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "image/colour_order.h"
#include "image/png_chunks.h"
#include "image/png_raster.h"

namespace {

constexpr int compressionLevel = 6;  // libdeflate's
constexpr uint8_t disposeNone = 0;
constexpr uint8_t blendSource = 0;

// The top row of a picture stored bottom-up.
const uint8_t* topRow(const uint8_t* bits, int32_t height, int32_t stride) {
    return bits + static_cast<ptrdiff_t>(height - 1) * stride;
}

// Whichever of left, above and upper left is nearest to left + above - upper left.
uint8_t paethPredictor(uint8_t left, uint8_t above, uint8_t upperLeft) {
    const int estimate = left + above - upperLeft, toLeft = std::abs(estimate - left),
              toAbove = std::abs(estimate - above), toUpperLeft = std::abs(estimate - upperLeft);
    if (toLeft <= toAbove && toLeft <= toUpperLeft) return left;
    return toAbove <= toUpperLeft ? above : upperLeft;
}

// A scanline of n bytes of red, green, blue: the Paeth filter type, then each
// byte less its prediction from the pixels to its left and above (in the row
// above, zeros for the first row). Paintings' smooth shading makes this about
// 40 % smaller than unfiltered rows.
void paethScanline(const uint8_t* row, const uint8_t* above, uint32_t n, uint8_t* out) {
    *out++ = pngFilterPaeth;
    for (uint32_t i = 0; i < 3 && i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - above[i]);
    for (uint32_t i = 3; i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - paethPredictor(row[i - 3], above[i], above[i - 3]));
}

}  // namespace

bool ApngWriter::open(const char* path, int32_t width, int32_t height, uint32_t frameCount) {
    file_.discard();
    frames_ = sequence_ = 0;
    uint32_t pixelBytes;
    if (!path || frameCount == 0 || frameCount > INT32_MAX || !RasterImage::sizeAllowed(width, height, 24, pixelBytes) ||
        !previous_.allocate(pixelBytes))
        return false;
    width_ = width;
    height_ = height;
    frameCount_ = frameCount;
    uint8_t header[13] = {};
    uint8_t* at = header;
    bytes::putBig32(at, static_cast<uint32_t>(width));
    bytes::putBig32(at, static_cast<uint32_t>(height));
    header[8] = 8;
    header[9] = pngTrueColour;
    uint8_t control[8];
    at = control;
    bytes::putBig32(at, frameCount);
    bytes::putBig32(at, 0);  // plays: for ever
    if (!file_.create(path)) return fail();
    PngFile png(file_.handle());
    png.write(pngSignature, sizeof pngSignature);
    png.chunk("IHDR", header, sizeof header);
    png.chunk("acTL", control, sizeof control);
    return png.ok() || fail();
}

bool ApngWriter::addFrame(const RasterImage& frame, uint16_t delayNumerator, uint16_t delayDenominator) {
    if (!file_.isOpen() || frames_ == frameCount_ || frame.bytesPerPixel() != 3 || frame.width() != width_ ||
        frame.height() != height_)
        return fail();
    const int32_t stride = frame.stride();
    const FrameArea area = frames_ == 0 ? FrameArea{0, 0, static_cast<uint32_t>(width_), static_cast<uint32_t>(height_)}
                                        : changedArea(topRow(previous_.data(), height_, stride),
                                                      topRow(frame.bits(), height_, stride), -stride,
                                                      static_cast<uint32_t>(width_), static_cast<uint32_t>(height_), 3);
    uint8_t control[26];
    uint8_t* at = control;
    bytes::putBig32(at, sequence_++);
    bytes::putBig32(at, area.width);
    bytes::putBig32(at, area.height);
    bytes::putBig32(at, area.x);
    bytes::putBig32(at, area.y);
    *at++ = static_cast<uint8_t>(delayNumerator >> 8);
    *at++ = static_cast<uint8_t>(delayNumerator);
    *at++ = static_cast<uint8_t>(delayDenominator >> 8);
    *at++ = static_cast<uint8_t>(delayDenominator);
    *at++ = disposeNone;
    *at = blendSource;
    PngFile png(file_.handle());
    png.chunk("fcTL", control, sizeof control);
    if (!png.ok() || !writeFrameData(frame, area)) return fail();
    std::memcpy(previous_.data(), frame.bits(), previous_.size());
    ++frames_;
    return true;
}

// The area's scanlines, deflated into IDAT for the first frame and fdAT,
// after its sequence number, for the others.
bool ApngWriter::writeFrameData(const RasterImage& frame, const FrameArea& area) {
    const uint32_t rowBytes = area.width * 3, total = (rowBytes + 1) * area.height;
    if ((scanlines_.size() < total && !scanlines_.allocate(total)) || !rows_.allocate(rowBytes * 2)) return false;
    uint8_t* row = rows_.data();
    uint8_t* above = row + rowBytes;  // zeros for the first row
    uint8_t* to = scanlines_.data();
    for (uint32_t y = 0; y < area.height; ++y, to += rowBytes + 1) {
        swapRedAndBlue(frame.pixelAddress(static_cast<int32_t>(area.x), static_cast<int32_t>(area.y + y)), row,
                       static_cast<int32_t>(area.width));
        paethScanline(row, above, rowBytes, to);
        std::swap(row, above);
    }
    uint8_t number[4];
    uint8_t* at = number;
    bytes::putBig32(at, sequence_);
    const bool first = frames_ == 0;
    ByteBuffer chunk;
    uint32_t n;
    if (!deflatedChunk(first ? "IDAT" : "fdAT", number, first ? 0 : 4, scanlines_.data(), total, compressionLevel,
                       chunk, n))
        return false;
    if (!first) ++sequence_;
    return file_.write(chunk.data(), n);
}

bool ApngWriter::close() {
    if (!file_.isOpen() || frames_ != frameCount_) return fail();
    file_.write(pngEndChunk, sizeof pngEndChunk);
    return file_.finish();
}

bool ApngWriter::fail() {
    file_.discard();
    previous_.release();
    scanlines_.release();
    rows_.release();
    return false;
}
