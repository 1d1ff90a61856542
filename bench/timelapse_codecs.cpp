// The timelapse writers on a painting that grows stroke by stroke: 120 frames
// of 480 × 480, a wash laid down band by band and then soft round strokes of
// changing colour. Prints the time of the histogram and palette, of the
// mapping (the first frame, which fills the map's table, and the others), of
// the GIF and of the APNG, the files' sizes and the palette's error on the
// last frame. With a folder argument the files are kept there.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "image/apng_writer.h"
#include "image/colour_quantizer.h"
#include "image/gif_animation.h"

namespace {

constexpr int side = 480;
constexpr int frameCount = 120;
volatile unsigned frameSum;  // keeps the reads that bring a frame into the cache

// The calling thread's CPU time, so other work on the machine counts little.
double seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Lays colour over the pixel with opacity alpha (0 … 1).
void blend(RasterImage& canvas, int x, int y, const double colour[3], double alpha) {
    uint8_t* p = canvas.pixelAddress(x, y);
    if (!p) return;
    for (int c = 0; c < 3; ++c) p[2 - c] = static_cast<uint8_t>(std::lround(p[2 - c] + (colour[c] - p[2 - c]) * alpha));
}

// A soft round dab: opaque to a third of its opacity at the centre, fading to
// nothing at the rim.
void dab(RasterImage& canvas, double cx, double cy, double radius, const double colour[3]) {
    for (int y = static_cast<int>(cy - radius); y <= static_cast<int>(cy + radius); ++y)
        for (int x = static_cast<int>(cx - radius); x <= static_cast<int>(cx + radius); ++x) {
            const double d = std::hypot(x - cx, y - cy) / radius;
            if (d < 1) blend(canvas, x, y, colour, 0.3 * (1 - d * d));
        }
}

// What frame i adds: in the first 12 frames a band of the sky's wash, then
// three curved strokes whose colour and width drift from stroke to stroke.
void paintStep(RasterImage& canvas, int i) {
    if (i < 12) {
        for (int y = i * 20; y < i * 20 + 20; ++y)
            for (int x = 0; x < side; ++x) {
                const double t = y / 240.0, sky[3] = {90 + 120 * t, 140 + 80 * t, 220 - 30 * t};
                blend(canvas, x, y, sky, 0.8 + 0.1 * std::sin(x / 37.0));
            }
        return;
    }
    for (int s = 0; s < 3; ++s) {
        const int k = (i - 12) * 3 + s;
        const double hue = k * 0.23, colour[3] = {128 + 110 * std::sin(hue), 128 + 110 * std::sin(hue + 2.1),
                                                  128 + 110 * std::sin(hue + 4.2)};
        // The strokes of one frame lie near each other, where the painter
        // is working, and that place wanders over the picture.
        const double x0 = 160 + 150 * std::sin(i * 0.11) + (k * 37) % 60, y0 = 280 + 120 * std::cos(i * 0.07) + (k * 53) % 50,
                     radius = 5 + (k * 7) % 14;
        for (int step = 0; step < 60; ++step)
            dab(canvas, x0 + step * 2.5, y0 + 30 * std::sin(step / 12.0 + k), radius, colour);
    }
}

bool copyOf(const RasterImage& from, RasterImage& to) {
    if (!to.create(from.width(), from.height())) return false;
    std::copy(from.bits(), from.bits() + static_cast<size_t>(from.stride()) * from.height(), to.bits());
    return true;
}

long fileSize(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    const long n = std::ftell(f);
    std::fclose(f);
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    char folder[] = "/tmp/timelapse-bench-XXXXXX";
    const bool keep = argc > 1;
    const std::string out = keep ? argv[1] : mkdtemp(folder) ? folder : ".";
    RasterImage canvas;
    if (!canvas.create(side, side)) return 1;
    std::fill(canvas.bits(), canvas.bits() + static_cast<size_t>(canvas.stride()) * side, 255);
    std::vector<std::unique_ptr<RasterImage>> frames;
    for (int i = 0; i < frameCount; ++i) {
        paintStep(canvas, i);
        frames.push_back(std::make_unique<RasterImage>());
        if (!copyOf(canvas, *frames.back())) return 1;
    }

    double t = seconds();
    ColourHistogram histogram;
    for (const auto& frame : frames) histogram.add(*frame);
    const double histogramTime = seconds() - t;
    t = seconds();
    uint32_t palette[256];
    int count = 0;
    if (!histogram.makePalette(palette, count)) return 1;
    const double paletteTime = seconds() - t;

    // Mapping into one buffer, as a writer that maps a frame and writes it
    // does, each frame read once before, as one just made would be in the
    // cache; the indices are kept for the writers afterwards.
    PaletteMap map;
    ByteBuffer mapped;
    t = seconds();
    if (!map.build(palette, count) || !map.mapToIndices(*frames[0], mapped)) return 1;
    const double firstMap = seconds() - t;
    double restMap = 0, fastestMap = 1;
    std::vector<ByteBuffer> indices(frameCount);
    for (int i = 0; i < frameCount; ++i) {
        const RasterImage& frame = *frames[i];
        frameSum = std::accumulate(frame.bits(), frame.bits() + static_cast<size_t>(frame.stride()) * side, 0u);
        t = seconds();
        map.mapToIndices(frame, mapped);
        const double once = seconds() - t;
        restMap += once;
        fastestMap = std::min(fastestMap, once);
        if (!indices[i].allocate(mapped.size())) return 1;
        std::copy(mapped.data(), mapped.data() + mapped.size(), indices[i].data());
    }

    const std::string gifPath = out + "/timelapse.gif", apngPath = out + "/timelapse.png";
    t = seconds();
    GifAnimationWriter gif;
    bool ok = gif.open(gifPath.c_str(), side, side, palette, count);
    for (int i = 0; i < frameCount; ++i) ok = ok && gif.addFrame(indices[i], i + 1 == frameCount ? 200 : 10);
    ok = ok && gif.close();
    const double gifTime = seconds() - t;
    t = seconds();
    ApngWriter apng;
    ok = ok && apng.open(apngPath.c_str(), side, side, frameCount);
    for (int i = 0; i < frameCount; ++i) ok = ok && apng.addFrame(*frames[i], i + 1 == frameCount ? 20 : 1, 10);
    ok = ok && apng.close();
    const double apngTime = seconds() - t;
    if (!ok) return 1;

    // The palette's error on the last frame, per channel.
    double squares = 0;
    int worst = 0;
    const RasterImage& last = *frames.back();
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const uint8_t* p = last.pixelAddress(x, y);
            const uint32_t shown = palette[indices.back().data()[y * side + x]];
            for (int c = 0; c < 3; ++c) {
                const int e = p[c] - static_cast<int>(shown >> (8 * c) & 0xFF);
                squares += e * e;
                worst = std::max(worst, std::abs(e));
            }
        }
    int distinct = 0;
    last.countColours(nullptr, distinct);
    std::printf("frames: %d of %dx%d, the last with %s colours\n", frameCount, side, side,
                distinct ? std::to_string(distinct).c_str() : "more than 256");
    std::printf("histogram            %7.2f ms, %.3f ms a frame\n", histogramTime * 1e3, histogramTime * 1e3 / frameCount);
    std::printf("palette              %7.2f ms (%d colours)\n", paletteTime * 1e3, count);
    std::printf("map: first frame     %7.3f ms (fills the table)\n", firstMap * 1e3);
    std::printf("map: every frame     %7.3f ms each on average, %.3f ms the fastest\n", restMap * 1e3 / frameCount,
                fastestMap * 1e3);
    std::printf("gif                  %7.2f ms, %ld bytes\n", gifTime * 1e3, fileSize(gifPath));
    std::printf("apng                 %7.2f ms, %ld bytes\n", apngTime * 1e3, fileSize(apngPath));
    std::printf("last frame's error   rms %.2f, largest %d (per channel)\n", std::sqrt(squares / (side * side * 3.0)),
                worst);
    if (!keep) {
        std::remove(gifPath.c_str());
        std::remove(apngPath.c_str());
        rmdir(out.c_str());
    }
    return 0;
}
