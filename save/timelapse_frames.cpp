#include "save/timelapse_frames.h"

#include <libdeflate.h>

#include <cstring>

#include "platform/byte_order.h"

namespace {

constexpr uint8_t magic[] = {'S', 'K', 'H', 'L'};
constexpr uint32_t version = 1;
constexpr uint32_t headerSize = 16;
constexpr uint32_t frameHeaderSize = 16;
constexpr uint8_t white = 0xFF;

// More than a zlib stream of n bytes ever takes, stored blocks of any size
// and the stream's own header and check included.
size_t largestPacked(size_t n) { return n + n / 1024 + 64; }

libdeflate_decompressor* inflaterOf(void* p) { return static_cast<libdeflate_decompressor*>(p); }

}  // namespace

TimelapseFrames::~TimelapseFrames() {
    if (inflater_) libdeflate_free_decompressor(inflaterOf(inflater_));
}

bool TimelapseFrames::open(const char* path) {
    failed_ = false;
    uint8_t header[headerSize];
    if (!file_.openRead(path) || file_.read(header, headerSize) != headerSize) return fail();
    width_ = static_cast<uint16_t>(bytes::little16(header + 6));
    height_ = static_cast<uint16_t>(bytes::little16(header + 8));
    count_ = static_cast<uint16_t>(bytes::little16(header + 10));
    bool bounded = width_ >= 1 && width_ <= largestSide && height_ >= 1 && height_ <= largestSide && count_ >= 1 &&
                   count_ <= largestCount;
    if (std::memcmp(header, magic, sizeof magic) != 0 || bytes::little16(header + 4) != version || !bounded)
        return fail();
    size_t rowsSize = static_cast<size_t>(width_) * height_ * 3;
    if (!inflater_) inflater_ = libdeflate_alloc_decompressor();
    if (!inflater_ || !frame_.create(width_, height_) || !rows_.allocate(rowsSize) ||
        !packed_.allocate(largestPacked(rowsSize)))
        return fail();
    return rewind();
}

bool TimelapseFrames::rewind() {
    if (frame_.isEmpty() || file_.seek(headerSize, platform::SeekOrigin::begin) != headerSize) return fail();
    std::memset(frame_.bits(), white, static_cast<size_t>(frame_.stride()) * frame_.height());
    read_ = 0;
    time_ = 0;
    changed_ = {};
    return true;
}

bool TimelapseFrames::next() {
    if (failed_ || read_ >= count_) return false;
    if (!readFrame()) return fail();
    ++read_;
    return true;
}

bool TimelapseFrames::readFrame() {
    uint8_t header[frameHeaderSize];
    if (file_.read(header, frameHeaderSize) != frameHeaderSize) return false;
    time_ = bytes::little32(header);
    uint32_t x = bytes::little16(header + 4);
    uint32_t y = bytes::little16(header + 6);
    uint32_t w = bytes::little16(header + 8);
    uint32_t h = bytes::little16(header + 10);
    uint32_t packedLength = bytes::little32(header + 12);
    if (w == 0 || h == 0) {
        changed_ = {};
        return packedLength == 0;
    }
    if (x + w > width_ || y + h > height_ || packedLength > packed_.size()) return false;
    if (file_.read(packed_.data(), packedLength) != packedLength) return false;
    size_t rowsSize = static_cast<size_t>(w) * h * 3;
    size_t inflated = 0;
    if (libdeflate_zlib_decompress(inflaterOf(inflater_), packed_.data(), packedLength, rows_.data(), rowsSize,
                                   &inflated) != LIBDEFLATE_SUCCESS ||
        inflated != rowsSize)
        return false;
    changed_ = {x, y, w, h};
    paint(rows_.data());
    return true;
}

// Rows of red, green, blue, top first, into the picture's rectangle.
void TimelapseFrames::paint(const uint8_t* rows) {
    for (uint32_t j = 0; j < changed_.height; ++j) {
        uint8_t* out = frame_.pixelAddress(static_cast<int32_t>(changed_.x), static_cast<int32_t>(changed_.y + j));
        for (uint32_t i = 0; i < changed_.width; ++i, rows += 3, out += 3) {
            out[0] = rows[2];
            out[1] = rows[1];
            out[2] = rows[0];
        }
    }
}

bool TimelapseFrames::fail() {
    failed_ = true;
    return false;
}
