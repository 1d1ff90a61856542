#include "image/raster_image.h"

#include <cstring>

#include "app/file_handle.h"
#include "image/checked_size.h"
#include "image/colour_index.h"
#include "image/png_reader.h"
#include "image/picture_kind.h"
#include "platform/picture.h"

namespace {

// The largest picture file handed to the system loader in one block.
constexpr uint32_t maxPictureFile = 256u * 1024 * 1024;

// Fills a RasterImage from one of the system loaders.
class ImageSink : public platform::PictureSink {
public:
    explicit ImageSink(RasterImage& image) : image_(image) {}
    bool begin(int32_t width, int32_t height, int32_t bitsPerPixel) override {
        return image_.create(width, height, bitsPerPixel);
    }
    uint8_t* row(int32_t y) override { return image_.pixelAddress(0, y); }

private:
    RasterImage& image_;
};

}  // namespace

bool RasterImage::sizeAllowed(int32_t width, int32_t height, int32_t bitsPerPixel, uint32_t& bytes) {
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) return false;
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    const uint32_t stride = (static_cast<uint32_t>(width) * static_cast<uint32_t>(bitsPerPixel / 8) + 3) & ~3u;
    return multiplyChecked(stride, static_cast<uint32_t>(height), bytes) && bytes <= maxBytes;
}

bool RasterImage::create(int32_t width, int32_t height, int32_t bitsPerPixel) {
    release();
    uint32_t total;
    if (!sizeAllowed(width, height, bitsPerPixel, total) || !pixels_.allocate(total)) return false;
    width_ = width;
    height_ = height;
    bytesPerPixel_ = bitsPerPixel / 8;
    stride_ = static_cast<int32_t>(total / static_cast<uint32_t>(height));
    return true;
}

void RasterImage::release() {
    pixels_.release();
    width_ = height_ = bytesPerPixel_ = stride_ = 0;
}

uint8_t* RasterImage::pixelAddress(int32_t x, int32_t y) {
    if (isEmpty() || x < 0 || y < 0 || x >= width_ || y >= height_) return nullptr;
    return pixels_.data() + static_cast<size_t>(height_ - 1 - y) * static_cast<size_t>(stride_) +
           static_cast<size_t>(x) * static_cast<size_t>(bytesPerPixel_);
}

const uint8_t* RasterImage::pixelAddress(int32_t x, int32_t y) const {
    return const_cast<RasterImage*>(this)->pixelAddress(x, y);
}

void RasterImage::stretchTo(RasterImage& target) const {
    if (isEmpty() || target.isEmpty()) return;
    const int32_t tw = target.width(), th = target.height();
    const int32_t tb = target.bytesPerPixel();
    for (int32_t y = 0; y < th; ++y) {
        const int32_t sy = static_cast<int32_t>(static_cast<int64_t>(y) * height_ / th);
        const uint8_t* from = pixelAddress(0, sy);
        uint8_t* to = target.pixelAddress(0, y);
        if (tw == width_ && tb == bytesPerPixel_) {
            std::memcpy(to, from, static_cast<size_t>(tw) * static_cast<size_t>(tb));
            continue;
        }
        for (int32_t x = 0; x < tw; ++x, to += tb) {
            const int32_t sx = static_cast<int32_t>(static_cast<int64_t>(x) * width_ / tw);
            const uint8_t* p = from + static_cast<size_t>(sx) * static_cast<size_t>(bytesPerPixel_);
            to[0] = p[0];
            to[1] = p[1];
            to[2] = p[2];
            if (tb == 4) to[3] = bytesPerPixel_ == 4 ? p[3] : 0;
        }
    }
}

bool RasterImage::convertTo24Bits() {
    if (bytesPerPixel_ == 3) return true;
    if (isEmpty()) return false;
    RasterImage copy;
    if (!copy.create(width_, height_)) return false;
    stretchTo(copy);
    const int32_t w = width_, h = height_;
    if (!create(w, h)) return false;
    copy.stretchTo(*this);
    return true;
}

bool RasterImage::loadBmp(const char* path) {
    release();
    ImageSink sink(*this);
    if (!platform::loadBitmapFile(path, sink)) release();
    return !isEmpty();
}

bool RasterImage::loadPng(const char* path) { return decodePng(path, *this); }

bool RasterImage::loadOlePicture(const char* path) {
    release();
    FileHandle file;
    if (!file.openRead(path)) return false;
    const int64_t size = file.seek(0, platform::SeekOrigin::end);
    if (size <= 0 || size > maxPictureFile || file.seek(0, platform::SeekOrigin::begin) != 0) return false;
    ByteBuffer bytes;
    if (!bytes.allocate(static_cast<size_t>(size))) return false;
    if (file.read(bytes.data(), static_cast<uint32_t>(size)) != static_cast<uint32_t>(size)) return false;
    file.close();
    ImageSink sink(*this);
    if (!platform::decodePicture(bytes.data(), bytes.size(), sink) || bytesPerPixel_ != 3) release();
    return !isEmpty();
}

bool RasterImage::loadAny(const char* path) {
    release();
    uint8_t head[pictureSniffLength];
    {
        FileHandle file;
        if (!file.openRead(path)) return false;
        if (file.read(head, pictureSniffLength) != pictureSniffLength) return false;
    }
    switch (sniffPicture(head)) {
    case PictureKind::bmp: return loadBmp(path) && convertTo24Bits();
    case PictureKind::png: return loadPng(path);
    case PictureKind::jpeg:
    case PictureKind::gif: return loadOlePicture(path);
    case PictureKind::unknown: break;
    }
    return false;
}

bool RasterImage::countColours(uint32_t* palette, int& count, uint8_t* indices, size_t indexStride) const {
    if (bytesPerPixel_ != 3) return false;
    ColourIndex found;
    uint32_t colours[ColourIndex::capacity] = {};
    // The position of the colour with this key, a new colour taking the next
    // one; false for the colour that would be the 257th.
    auto place = [&](uint32_t key, int& position) {
        position = found.findKey(key);
        if (position != ColourIndex::notFound) return true;
        if (found.count() == ColourIndex::capacity) return false;
        position = found.count();
        colours[position] = key >> 8;
        found.add(key >> 8);
        return true;
    };
    // Locals, so the index stores cannot be taken to change them.
    const int32_t last = width_ - 1, height = height_;
    const size_t stride = static_cast<size_t>(stride_);
    for (int32_t row = 0; row < height; ++row) {
        const uint8_t* p = pixels_.data() + static_cast<size_t>(row) * stride;
        uint8_t* out = indices ? indices + static_cast<size_t>(height - 1 - row) * indexStride : nullptr;
        int position;
        // Every pixel but the row's last is read as one word with the byte after it.
        for (int32_t x = 0; x < last; ++x, p += 3) {
            if (!place(pixelKey(p), position)) {
                count = 0;
                return true;
            }
            if (out) out[x] = static_cast<uint8_t>(position);
        }
        if (!place(colourKey(censusColour(p)), position)) {
            count = 0;
            return true;
        }
        if (out) out[last] = static_cast<uint8_t>(position);
    }
    count = found.count();
    if (palette) std::memcpy(palette, colours, sizeof colours);
    return true;
}

RasterImage::DrawArea RasterImage::drawArea(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX,
                                            int32_t srcY) const {
    DrawArea area{0, 0, 0, 0, 0, 0, true};
    if (isEmpty()) return area;
    // 64-bit while clipping, so no input can wrap.
    int64_t dx = x, dy = y, cw = w ? w : width_, ch = h ? h : height_, sx = srcX, sy = srcY;
    if (dx < 0) { cw += dx; sx -= dx; dx = 0; }
    if (dy < 0) { ch += dy; sy -= dy; dy = 0; }
    if (sx < 0) { cw += sx; dx -= sx; sx = 0; }
    if (sy < 0) { ch += sy; dy -= sy; sy = 0; }
    if (sx + cw > width_) cw = width_ - sx;
    if (sy + ch > height_) ch = height_ - sy;
    if (cw <= 0 || ch <= 0 || dx > INT32_MAX || dy > INT32_MAX) return area;
    area.x = static_cast<int32_t>(dx);
    area.y = static_cast<int32_t>(dy);
    area.width = static_cast<int32_t>(cw);
    area.height = static_cast<int32_t>(ch);
    area.sourceX = static_cast<int32_t>(sx);
    area.sourceRow = static_cast<int32_t>(height_ - ch - sy);
    area.empty = false;
    return area;
}
