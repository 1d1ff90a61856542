#include "image/gif_animation.h"

#include <cstring>

#include "image/gif_writer.h"
#include "image/palette.h"
#include "platform/byte_order.h"

namespace {

constexpr uint32_t tableEntries = 256;
constexpr uint8_t screenFlags = 0xF7;  // a global table of 256 entries, 8 bits per colour
constexpr uint8_t minimumCodeSize = 8;  // as LzwWriter codes
constexpr uint8_t extensionIntroducer = 0x21;
constexpr uint8_t graphicControlLabel = 0xF9;
constexpr uint8_t applicationLabel = 0xFF;
constexpr uint8_t doNotDispose = 1 << 2;  // disposal method 1, in the graphic control's flags
constexpr uint8_t imageSeparator = 0x2C;
constexpr uint8_t gifTrailer = 0x3B;
// The application extension that makes browsers loop: count 0, for ever.
constexpr uint8_t loopForever[19] = {extensionIntroducer, applicationLabel, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E',
                                     '2', '.', '0', 3, 1, 0, 0, 0};

}  // namespace

bool GifAnimationWriter::open(const char* path, uint16_t width, uint16_t height, const uint32_t* palette, int count) {
    file_.discard();
    frames_ = 0;
    if (!path || width == 0 || height == 0 || !palette || count < 1 || count > 256) return false;
    const size_t pixels = static_cast<size_t>(width) * height;
    if (!previous_.allocate(pixels) || !area_.allocate(pixels)) return false;
    width_ = width;
    height_ = height;
    uint8_t head[6 + 7 + tableEntries * 3 + sizeof loopForever] = {};
    uint8_t* p = head;
    std::memcpy(p, "GIF89a", 6);
    p += 6;
    bytes::putLittle16(p, width);
    bytes::putLittle16(p, height);
    *p++ = screenFlags;
    *p++ = 0;  // background entry
    *p++ = 0;  // no aspect ratio
    packPalette(palette, count, p);
    p += tableEntries * 3;
    std::memcpy(p, loopForever, sizeof loopForever);
    if (!file_.create(path) || !file_.write(head, sizeof head)) return fail();
    return true;
}

bool GifAnimationWriter::addFrame(const ByteBuffer& indices, uint16_t delay) {
    const size_t pixels = static_cast<size_t>(width_) * height_;
    if (!file_.isOpen() || indices.size() < pixels) return fail();
    const FrameArea area = frames_ == 0 ? FrameArea{0, 0, width_, height_}
                                        : changedArea(previous_.data(), indices.data(), width_, width_, height_, 1);
    uint8_t* to = area_.data();
    for (uint32_t y = 0; y < area.height; ++y, to += area.width)
        std::memcpy(to, indices.data() + (area.y + y) * static_cast<size_t>(width_) + area.x, area.width);
    LzwWriter lzw;
    if (!lzw.compress(area_.data(), static_cast<size_t>(area.width) * area.height)) return fail();
    uint8_t head[8 + 10 + 1] = {extensionIntroducer, graphicControlLabel, 4, doNotDispose};
    uint8_t* p = head + 4;
    bytes::putLittle16(p, delay);
    *p++ = 0;  // no transparent entry
    *p++ = 0;  // block terminator
    *p++ = imageSeparator;
    bytes::putLittle16(p, area.x);
    bytes::putLittle16(p, area.y);
    bytes::putLittle16(p, area.width);
    bytes::putLittle16(p, area.height);
    *p++ = 0;  // no local table, not interlaced
    *p++ = minimumCodeSize;
    if (!file_.write(head, sizeof head) || !file_.write(lzw.data(), lzw.size())) return fail();
    std::memcpy(previous_.data(), indices.data(), pixels);
    ++frames_;
    return true;
}

bool GifAnimationWriter::close() {
    if (!file_.isOpen() || frames_ == 0) return fail();
    const uint8_t trailer = gifTrailer;
    file_.write(&trailer, 1);
    return file_.finish();
}

bool GifAnimationWriter::fail() {
    file_.discard();
    previous_.release();
    area_.release();
    return false;
}
