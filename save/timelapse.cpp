#include "save/timelapse.h"

#include <algorithm>
#include <cmath>

#include "app/byte_buffer.h"
#include "image/apng_writer.h"
#include "image/colour_quantizer.h"
#include "image/gif_animation.h"
#include "image/raster_image.h"
#include "image/resample.h"
#include "save/timelapse_frames.h"

namespace {

constexpr uint32_t smallestSide = 16;
constexpr uint32_t largestSide = 2000;
constexpr uint16_t centiseconds = 100;
constexpr const char* unreadableFrames = "タイムラプス：送られたフレームが読めないため、書きませんでした";

// The timelapse's frames one after another, scaled: the section's frames,
// then the finished picture. A frame that changed nothing keeps the scaled
// picture of the one before.
class ScaledFrames {
public:
    ScaledFrames(TimelapseFrames& frames, const RasterImage& finished, int32_t width, int32_t height)
        : frames_(frames), finished_(finished), width_(width), height_(height) {}

    bool prepare() { return resampler_.prepare(frames_.width(), frames_.height(), width_, height_); }
    uint32_t count() const { return frames_.count() + 1u; }
    const RasterImage& picture() const { return scaled_; }
    uint16_t delay() const { return index_ == count() ? timelapseLastDelay : timelapseFrameDelay; }

    // The next frame into picture(); false after the last or when memory is short.
    bool next() {
        if (index_ >= count()) return false;
        if (index_ == frames_.count())
            resample(finished_, scaled_, width_, height_);
        else if (!frames_.next())
            return false;
        else if (index_ == 0 || frames_.changed().width > 0)
            resampler_.run(frames_.frame(), scaled_);
        ++index_;
        return !scaled_.isEmpty();
    }
    bool rewind() {
        index_ = 0;
        return frames_.rewind();
    }

private:
    TimelapseFrames& frames_;
    Resampler resampler_;
    const RasterImage& finished_;
    RasterImage scaled_;
    int32_t width_;
    int32_t height_;
    uint32_t index_ = 0;
};

// Reads every frame once, so that a section that does not hold together is
// refused before any file is made; counts the colours shown on the way when
// histogram is given: those each frame changed, and the finished picture.
bool readAllFrames(TimelapseFrames& frames, const RasterImage& finished, ColourHistogram* histogram) {
    while (frames.next()) {
        size_t changed = static_cast<size_t>(frames.changed().width) * frames.changed().height;
        if (histogram && changed > 0) histogram->add(frames.changedPixels(), changed);
    }
    if (frames.failed()) return false;
    if (histogram) histogram->add(finished);
    return frames.rewind();
}

bool writeGif(ScaledFrames& frames, const ColourHistogram& histogram, const char* path, int32_t width,
              int32_t height) {
    uint32_t palette[ColourHistogram::maxColours];
    int count = 0;
    PaletteMap map;
    GifAnimationWriter gif;
    ByteBuffer indices;
    if (!histogram.makePalette(palette, count) || !map.build(palette, count) ||
        !gif.open(path, static_cast<uint16_t>(width), static_cast<uint16_t>(height), palette, count))
        return false;
    for (uint32_t n = 0; n < frames.count(); ++n)
        if (!frames.next() || !map.mapToIndices(frames.picture(), indices) || !gif.addFrame(indices, frames.delay()))
            return false;
    return gif.close();
}

bool writePng(ScaledFrames& frames, const char* path, int32_t width, int32_t height) {
    ApngWriter png;
    if (!png.open(path, width, height, frames.count())) return false;
    for (uint32_t n = 0; n < frames.count(); ++n)
        if (!frames.next() || !png.addFrame(frames.picture(), frames.delay(), centiseconds)) return false;
    return png.close();
}

}  // namespace

void timelapseSize(int32_t width, int32_t height, uint32_t longestSide, int32_t& outWidth, int32_t& outHeight) {
    int32_t longest = static_cast<int32_t>(std::clamp(longestSide, smallestSide, largestSide));
    int32_t side = std::max(width, height);
    if (side <= longest) {
        outWidth = width;
        outHeight = height;
        return;
    }
    auto scaled = [&](int32_t n) {
        return std::max<int32_t>(1, static_cast<int32_t>(std::lround(static_cast<double>(n) * longest / side)));
    };
    outWidth = scaled(width);
    outHeight = scaled(height);
}

TimelapseOutcome writeTimelapse(const char* framesPath, const RasterImage& finished, uint32_t longestSide,
                                const TimelapseFiles& files) {
    TimelapseOutcome outcome;
    TimelapseFrames frames;
    ColourHistogram histogram;
    if (finished.isEmpty() || !frames.open(framesPath) ||
        !readAllFrames(frames, finished, files.gif ? &histogram : nullptr)) {
        outcome.refusal = unreadableFrames;
        return outcome;
    }
    int32_t width = 0;
    int32_t height = 0;
    timelapseSize(finished.width(), finished.height(), longestSide, width, height);
    ScaledFrames scaled(frames, finished, width, height);
    if (!scaled.prepare()) return outcome;
    if (files.gif) outcome.gifWritten = writeGif(scaled, histogram, files.gif, width, height);
    if (files.png) outcome.pngWritten = scaled.rewind() && writePng(scaled, files.png, width, height);
    return outcome;
}
