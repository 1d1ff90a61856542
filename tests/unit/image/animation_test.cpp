// The timelapse's writers: the colour quantizer, the animated GIF writer
// (read back with giflib's DGifSlurp and ImageMagick) and the APNG writer
// (read back by a chunk walker and decoder of our own, pngcheck and, for its
// first frame, ImageMagick).
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "image/apng_writer.h"
#include "image/colour_quantizer.h"
#include "image/gif_animation.h"
#include "platform/byte_order.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/oracle.h"
#include "tests/unit/image/pictures.h"

#ifndef _WIN32
#include <gif_lib.h>
#include <sys/resource.h>
#endif

namespace {

uint32_t censusOf(const RasterImage& image, int x, int y) { return censusColour(image.pixelAddress(x, y)); }

std::set<uint32_t> coloursOf(const RasterImage& image) {
    std::set<uint32_t> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(censusOf(image, x, y));
    return colours;
}

// The largest difference of one channel between the picture and its pixels
// mapped through the palette.
int largestError(const RasterImage& image, const uint32_t* palette, const ByteBuffer& indices) {
    int worst = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t a = censusOf(image, x, y), b = palette[indices.data()[y * image.width() + x]];
            for (int shift = 0; shift < 24; shift += 8)
                worst = std::max(worst, std::abs(static_cast<int>(a >> shift & 255) - static_cast<int>(b >> shift & 255)));
        }
    return worst;
}

double weightedDistance(uint32_t a, uint32_t b) {
    const double weights[3] = {2, 4, 3};  // blue, green, red: by shift 0, 8, 16
    double sum = 0;
    for (int c = 0; c < 3; ++c) {
        const double d = static_cast<double>(a >> (8 * c) & 255) - static_cast<double>(b >> (8 * c) & 255);
        sum += weights[c] * d * d;
    }
    return std::sqrt(sum);
}

}  // namespace

// At most 256 colours, met in one or two pictures or as a red, green, blue
// buffer: the palette is exactly those colours and every pixel maps back to
// its own colour.
TEST(ColourQuantizer, FewColoursGiveExactlyTheirPalette) {
    struct Case {
        const char* what;
        int width, height, colours, secondColours;  // colours 0: 256 greys, 4 to a cell; second 0: one picture
        bool asRgb;
    } cases[] = {
        {"one colour", 3, 2, 1, 0, false},         {"two colours, one column", 1, 70, 2, 0, false},
        {"17 colours", 33, 17, 17, 0, true},       {"256 colours", 64, 70, 256, 0, false},
        {"256 greys as bytes", 16, 16, 0, 0, true}, {"100 and 200 colours, 200 in all", 20, 15, 100, 200, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RasterImage first, second;
        ASSERT_TRUE(c.colours ? pictures::makeColours(first, c.width, c.height, c.colours)
                              : pictures::paint(first, 16, 16, [](int x, int y) { return (x + y * 16) * 0x010101u; }));
        ColourHistogram histogram;
        const std::string rgb = pictures::rgbOf(first);
        ASSERT_TRUE(c.asRgb ? histogram.add(reinterpret_cast<const uint8_t*>(rgb.data()), rgb.size() / 3)
                            : histogram.add(first));
        std::set<uint32_t> expected = coloursOf(first);
        if (c.secondColours) {
            ASSERT_TRUE(pictures::makeColours(second, c.width, c.height, c.secondColours));
            ASSERT_TRUE(histogram.add(second));
            for (uint32_t colour : coloursOf(second)) expected.insert(colour);
        }
        uint32_t palette[256];
        int count = 0;
        ASSERT_TRUE(histogram.makePalette(palette, count));
        EXPECT_EQ(std::set<uint32_t>(palette, palette + count), expected);
        EXPECT_EQ(count, static_cast<int>(expected.size()));
        PaletteMap map;
        ASSERT_TRUE(map.build(palette, count));
        ByteBuffer indices;
        for (const RasterImage* image : {&first, &second}) {
            if (image->isEmpty()) continue;
            ASSERT_TRUE(map.mapToIndices(*image, indices));
            EXPECT_EQ(largestError(*image, palette, indices), 0);
        }
    }
}

// A sheet of 256 reds by 256 greens: 256 colours leave boxes about 16 wide,
// so no channel of any pixel is off by more than half that and the few steps
// of a map cell that straddles a box's edge; the white margin below it (a
// blank canvas) stays exactly white.
TEST(ColourQuantizer, AGradientStaysNearItsColoursAndWhiteStaysWhite) {
    RasterImage gradient;
    ASSERT_TRUE(pictures::paint(gradient, 256, 300, [](int x, int y) { return y < 256 ? x << 16 | y << 8 | 0x60 : 0xFFFFFF; }));
    ColourHistogram histogram;
    ASSERT_TRUE(histogram.add(gradient));
    uint32_t palette[256];
    int count = 0;
    ASSERT_TRUE(histogram.makePalette(palette, count));
    EXPECT_EQ(count, 256);
    PaletteMap map;
    ByteBuffer indices;
    ASSERT_TRUE(map.build(palette, count) && map.mapToIndices(gradient, indices));
    EXPECT_LE(largestError(gradient, palette, indices), 12);
    EXPECT_EQ(palette[indices.data()[256 * 299]], 0xFFFFFFu);
}

// Against a search of the whole palette: a colour of the palette maps to its
// first entry, even beside a colour one step away or with another entry
// nearer to its cell's centre; any other colour to an entry at most 9
// farther than the nearest (twice the distance from a cell's centre to its
// corner, by the weights).
TEST(ColourQuantizer, TheMapFindsTheNearestEntry) {
    std::minstd_rand random(5);
    uint32_t palette[256];
    for (uint32_t& colour : palette) colour = random() & 0xFFFFFF;
    palette[0] &= ~3u;
    palette[1] = palette[0] + 1;  // in the same cell
    palette[2] = palette[0];      // a repeat
    palette[3] = 0x000003;        // its cell's centre is nearer to 0x020204
    palette[4] = 0x020204;
    PaletteMap map;
    ASSERT_TRUE(map.build(palette, 256));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(palette[map.indexOf(palette[i])], palette[i]) << i;
    EXPECT_EQ(map.indexOf(palette[2]), 0);
    for (int n = 0; n < 20000; ++n) {
        const uint32_t colour = random() & 0xFFFFFF;
        double nearest = 1e9;
        for (uint32_t entry : palette) nearest = std::min(nearest, weightedDistance(colour, entry));
        ASSERT_LE(weightedDistance(colour, palette[map.indexOf(colour)]), nearest + 9) << std::hex << colour;
    }
}

namespace {

// An animation to write: a picture and, frame by frame, the rectangles that
// change (none: the frame repeats the one before).
struct Rect {
    int x, y, w, h;
};
struct Animation {
    const char* what;
    int width, height;
    std::vector<std::vector<Rect>> changes;
};
const Animation animations[] = {
    {"one frame", 7, 5, {}},
    {"1x1, repeated, changed", 1, 1, {{}, {{0, 0, 1, 1}}}},
    {"a corner, then the opposite corner", 9, 6, {{{0, 0, 2, 1}}, {{8, 5, 1, 1}}}},
    {"two changes far apart in one frame", 12, 8, {{{1, 6, 1, 1}, {10, 2, 2, 1}}}},
    {"a repeat between changes", 5, 7, {{{1, 2, 3, 1}}, {}, {{0, 6, 5, 1}}}},
    {"the whole picture, 300 wide", 300, 3, {{{0, 0, 300, 3}}, {{299, 0, 1, 3}}}},
};

// The frames as 24-bit pictures of at most 256 colours, each a copy of the
// one before with its rectangles painted a colour of their own.
std::vector<std::unique_ptr<RasterImage>> framesOf(const Animation& a) {
    std::vector<std::unique_ptr<RasterImage>> frames;
    frames.push_back(std::make_unique<RasterImage>());
    std::minstd_rand random(1);
    pictures::paint(*frames.back(), a.width, a.height,
                    [&](int, int) { return pictures::colourNumber(static_cast<int>(random() % 200)); });
    for (size_t f = 0; f < a.changes.size(); ++f) {
        auto next = std::make_unique<RasterImage>();
        pictures::paint(*next, a.width, a.height, [&](int x, int y) { return censusOf(*frames.back(), x, y); });
        for (const Rect& r : a.changes[f])
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x) {
                    uint8_t* p = next->pixelAddress(x, y);
                    p[0] = p[2] = 0;
                    p[1] = static_cast<uint8_t>(f * 9 + 1);
                }
        frames.push_back(std::move(next));
    }
    return frames;
}

// The bounds of the pixels in which two frames differ; the top left pixel
// when none does.
Rect changedRect(const RasterImage& before, const RasterImage& after) {
    int left = after.width(), top = after.height(), right = -1, bottom = -1;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (censusOf(before, x, y) != censusOf(after, x, y)) {
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return right < 0 ? Rect{0, 0, 1, 1} : Rect{left, top, right - left + 1, bottom - top + 1};
}

Rect expectedRect(const std::vector<std::unique_ptr<RasterImage>>& frames, size_t i) {
    return i == 0 ? Rect{0, 0, frames[0]->width(), frames[0]->height()} : changedRect(*frames[i - 1], *frames[i]);
}

void expectRect(const Rect& got, const Rect& expected) {
    EXPECT_EQ(got.x, expected.x);
    EXPECT_EQ(got.y, expected.y);
    EXPECT_EQ(got.w, expected.w);
    EXPECT_EQ(got.h, expected.h);
}

// A PNG file's chunks, each checked against its CRC.
struct Chunk {
    std::string type, data;
};
bool readChunks(const std::string& file, std::vector<Chunk>& chunks) {
    if (file.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0) return false;
    for (size_t at = 8; at < file.size();) {
        if (file.size() - at < 12) return false;
        const uint32_t length = bytes::big32(reinterpret_cast<const uint8_t*>(&file[at]));
        if (length > file.size() - at - 12) return false;
        const auto* typeAndData = reinterpret_cast<const Bytef*>(&file[at + 4]);
        if (crc32(0, typeAndData, length + 4) != bytes::big32(typeAndData + length + 4)) return false;
        chunks.push_back({file.substr(at + 4, 4), file.substr(at + 8, length)});
        at += 12 + length;
    }
    return true;
}

uint32_t big32At(const std::string& data, size_t at) { return bytes::big32(reinterpret_cast<const uint8_t*>(&data[at])); }

// Undoes the five PNG filters on rows of width pixels of 3 bytes.
bool unfilter(const std::string& rows, uint32_t width, uint32_t height, std::string& rgb) {
    const uint32_t n = width * 3;
    rgb.assign(static_cast<size_t>(n) * height, '\0');
    for (uint32_t y = 0; y < height; ++y) {
        const auto type = static_cast<uint8_t>(rows[y * (n + 1)]);
        auto* out = reinterpret_cast<uint8_t*>(&rgb[y * n]);
        const uint8_t* in = reinterpret_cast<const uint8_t*>(&rows[y * (n + 1) + 1]);
        const uint8_t* up = y ? out - n : nullptr;
        for (uint32_t i = 0; i < n; ++i) {
            const int a = i >= 3 ? out[i - 3] : 0, b = up ? up[i] : 0, c = up && i >= 3 ? up[i - 3] : 0;
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictions[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
            if (type > 4) return false;
            out[i] = static_cast<uint8_t>(in[i] + predictions[type]);
        }
    }
    return true;
}

}  // namespace

#ifndef _WIN32
// Every animation written as GIF with a palette of its colours: giflib reads
// one global table, the loop for ever, per frame the delay, "do not dispose"
// and the changed rectangle, and laying the frames over each other gives each
// frame's pixels; ImageMagick's own compositing gives them too.
TEST(GifAnimation, GiflibAndImageMagickReadEachFrameBack) {
    TempFolder folder;
    for (const Animation& a : animations) {
        SCOPED_TRACE(a.what);
        const auto frames = framesOf(a);
        ColourHistogram histogram;
        for (const auto& frame : frames) histogram.add(*frame);
        uint32_t palette[256];
        int count = 0;
        PaletteMap map;
        ASSERT_TRUE(histogram.makePalette(palette, count) && map.build(palette, count));
        const std::string path = folder.file("a.gif");
        GifAnimationWriter writer;
        ASSERT_TRUE(writer.open(path.c_str(), static_cast<uint16_t>(a.width), static_cast<uint16_t>(a.height), palette, count));
        std::string allRgb;
        for (size_t i = 0; i < frames.size(); ++i) {
            ByteBuffer indices;
            ASSERT_TRUE(map.mapToIndices(*frames[i], indices));
            ASSERT_TRUE(writer.addFrame(indices, static_cast<uint16_t>(i * 7 + 2)));
            allRgb += pictures::rgbOf(*frames[i]);
        }
        ASSERT_TRUE(writer.close());

        int error = 0;
        GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
        ASSERT_TRUE(gif);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);
        EXPECT_EQ(gif->SWidth, a.width);
        EXPECT_EQ(gif->SHeight, a.height);
        ASSERT_EQ(gif->ImageCount, static_cast<int>(frames.size()));
        ASSERT_TRUE(gif->SColorMap && gif->SColorMap->ColorCount == 256);
        for (int i = 0; i < count; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            EXPECT_EQ(static_cast<uint32_t>(c.Red << 16 | c.Green << 8 | c.Blue), palette[i]);
        }
        const ExtensionBlock* loop = gif->SavedImages[0].ExtensionBlocks;
        ASSERT_GE(gif->SavedImages[0].ExtensionBlockCount, 2);
        EXPECT_EQ(loop[0].Function, APPLICATION_EXT_FUNC_CODE);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(loop[0].Bytes), loop[0].ByteCount), "NETSCAPE2.0");
        EXPECT_EQ(std::string(reinterpret_cast<char*>(loop[1].Bytes), loop[1].ByteCount), pictures::bytes({1, 0, 0}));
        std::vector<uint8_t> canvas(static_cast<size_t>(a.width) * a.height);
        for (size_t i = 0; i < frames.size(); ++i) {
            const SavedImage& image = gif->SavedImages[i];
            GraphicsControlBlock control;
            ASSERT_EQ(DGifSavedExtensionToGCB(gif, static_cast<int>(i), &control), GIF_OK);
            EXPECT_EQ(control.DelayTime, static_cast<int>(i * 7 + 2));
            EXPECT_EQ(control.DisposalMode, DISPOSE_DO_NOT);
            EXPECT_EQ(control.TransparentColor, NO_TRANSPARENT_COLOR);
            const GifImageDesc& d = image.ImageDesc;
            expectRect({d.Left, d.Top, d.Width, d.Height}, expectedRect(frames, i));
            for (int y = 0; y < d.Height; ++y)
                std::copy_n(image.RasterBits + y * d.Width, d.Width, &canvas[(d.Top + y) * a.width + d.Left]);
            std::string rgb;
            for (uint8_t index : canvas) rgb += {static_cast<char>(palette[index] >> 16), static_cast<char>(palette[index] >> 8),
                                                  static_cast<char>(palette[index])};
            EXPECT_EQ(rgb, pictures::rgbOf(*frames[i])) << "frame " << i;
        }
        DGifCloseFile(gif, &error);
        EXPECT_EQ(oracle::magick(path, "-coalesce -depth 8 rgb:-"), allRgb);
    }
}

#endif

// Every animation written as APNG: pngcheck takes it; its chunks carry the
// header, the animation control (the frame count, played for ever), per
// frame a control with the next sequence number, the changed rectangle, the
// delay, dispose none and blend source, and its data (IDAT first, then fdAT
// with its sequence number); decoding and laying them over each other gives
// each frame. ImageMagick, reading it as a still picture, sees the first frame.
TEST(ApngWriter, EachFrameDecodesBackFromItsChunks) {
    TempFolder folder;
    for (const Animation& a : animations) {
        SCOPED_TRACE(a.what);
        const auto frames = framesOf(a);
        const std::string path = folder.file("a.png");
        ApngWriter writer;
        ASSERT_TRUE(writer.open(path.c_str(), a.width, a.height, static_cast<uint32_t>(frames.size())));
        for (size_t i = 0; i < frames.size(); ++i)
            ASSERT_TRUE(writer.addFrame(*frames[i], static_cast<uint16_t>(i + 1), static_cast<uint16_t>(i * 100)));
        ASSERT_TRUE(writer.close());
#ifndef _WIN32
        EXPECT_EQ(oracle::run("pngcheck -q " + path), 0);
        EXPECT_EQ(oracle::magickRgb(path), pictures::rgbOf(*frames[0]));
#endif

        std::vector<Chunk> chunks;
        ASSERT_TRUE(readChunks(folder.read(path), chunks));
        ASSERT_GE(chunks.size(), 5u);
        EXPECT_EQ(chunks[0].type, "IHDR");
        EXPECT_EQ(chunks[0].data.substr(8), pictures::bytes({8, 2, 0, 0, 0}));
        EXPECT_EQ(big32At(chunks[0].data, 0), static_cast<uint32_t>(a.width));
        EXPECT_EQ(big32At(chunks[0].data, 4), static_cast<uint32_t>(a.height));
        EXPECT_EQ(chunks[1].type, "acTL");
        EXPECT_EQ(big32At(chunks[1].data, 0), frames.size());
        EXPECT_EQ(big32At(chunks[1].data, 4), 0u);
        EXPECT_EQ(chunks.back().type, "IEND");
        std::string canvas(static_cast<size_t>(a.width) * a.height * 3, '\0');
        uint32_t sequence = 0;
        size_t frame = 0;
        for (size_t k = 2; k + 1 < chunks.size(); k += 2, ++frame) {
            const std::string& control = chunks[k].data;
            ASSERT_EQ(chunks[k].type, "fcTL");
            ASSERT_EQ(control.size(), 26u);
            ASSERT_LT(frame, frames.size());
            EXPECT_EQ(big32At(control, 0), sequence++);
            const Rect r{static_cast<int>(big32At(control, 12)), static_cast<int>(big32At(control, 16)),
                         static_cast<int>(big32At(control, 4)), static_cast<int>(big32At(control, 8))};
            expectRect(r, expectedRect(frames, frame));
            EXPECT_EQ(control.substr(20), pictures::bytes({0, static_cast<int>(frame + 1), static_cast<int>(frame * 100 >> 8),
                                                           static_cast<int>(frame * 100 & 255), 0, 0}));
            std::string stream = chunks[k + 1].data;
            if (frame == 0) {
                EXPECT_EQ(chunks[k + 1].type, "IDAT");
            } else {
                EXPECT_EQ(chunks[k + 1].type, "fdAT");
                EXPECT_EQ(big32At(stream, 0), sequence++);
                stream.erase(0, 4);
            }
            std::string rows(static_cast<size_t>(r.w * 3 + 1) * r.h, '\0'), rgb;
            uLongf length = rows.size();
            ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&rows[0]), &length, reinterpret_cast<const Bytef*>(stream.data()),
                                 stream.size()), Z_OK);
            ASSERT_EQ(length, rows.size());
            ASSERT_TRUE(unfilter(rows, r.w, r.h, rgb));
            for (int y = 0; y < r.h; ++y)
                canvas.replace(((r.y + y) * a.width + r.x) * 3, r.w * 3, rgb, y * r.w * 3, r.w * 3);
            EXPECT_EQ(canvas, pictures::rgbOf(*frames[frame])) << "frame " << frame;
        }
        EXPECT_EQ(frame, frames.size());
    }
}

// Misuse: false, and no file is left behind.
TEST(AnimationFailure, MisuseGivesFalseAndNoFile) {
    TempFolder folder;
    RasterImage frame, other;
    ASSERT_TRUE(pictures::makeColours(frame, 4, 3, 5) && pictures::makeColours(other, 3, 4, 5));
    const uint32_t palette[2] = {0xFFFFFF, 0};
    ByteBuffer indices, few;
    ASSERT_TRUE(indices.allocate(12) && few.allocate(11));
    {
        GifAnimationWriter gif;
        EXPECT_FALSE(gif.open("missing/a.gif", 4, 3, palette, 2));
        EXPECT_FALSE(gif.open("a.gif", 4, 3, palette, 0) || gif.open("a.gif", 4, 3, palette, 257) ||
                     gif.open("a.gif", 0, 3, palette, 2) || gif.addFrame(indices, 1));
        EXPECT_TRUE(gif.open("a.gif", 4, 3, palette, 2));
        EXPECT_FALSE(gif.close());  // no frame
        EXPECT_TRUE(gif.open("a.gif", 4, 3, palette, 2) && gif.addFrame(indices, 1));
        EXPECT_FALSE(gif.addFrame(few, 1) || gif.addFrame(indices, 1) || gif.close());
        EXPECT_TRUE(gif.open("b.gif", 4, 3, palette, 2) && gif.addFrame(indices, 1));
    }  // dropped unclosed
    {
        ApngWriter apng;
        EXPECT_FALSE(apng.open("missing/a.png", 4, 3, 1));
        EXPECT_FALSE(apng.open("a.png", 4, 3, 0) || apng.open("a.png", 0, 3, 1) || apng.addFrame(frame, 1, 10));
        EXPECT_TRUE(apng.open("a.png", 4, 3, 2) && apng.addFrame(frame, 1, 10));
        EXPECT_FALSE(apng.close());  // one frame of two
        EXPECT_TRUE(apng.open("a.png", 4, 3, 1) && apng.addFrame(frame, 1, 10));
        EXPECT_FALSE(apng.addFrame(frame, 1, 10) || apng.close());  // one too many
        EXPECT_TRUE(apng.open("a.png", 4, 3, 2));
        EXPECT_FALSE(apng.addFrame(other, 1, 10) || apng.close());
        EXPECT_TRUE(apng.open("b.png", 4, 3, 1));
    }
    for (const char* name : {"a.gif", "b.gif", "a.png", "b.png"}) EXPECT_FALSE(folder.exists(name)) << name;
}

#ifndef _WIN32
// In a child process whose files are limited to 1000 bytes, a write fails
// inside either writer: false and no file.
TEST(AnimationFailure, AFullDiskGivesFalseAndNoFile) {
    TempFolder folder;
    RasterImage noise;
    ASSERT_TRUE(noise.create(64, 64));
    std::minstd_rand random(3);
    for (int i = 0; i < 64 * 64; ++i) std::generate_n(noise.pixelAddress(i % 64, i / 64), 3, [&] { return random() % 256; });
    uint32_t greys[256];
    for (uint32_t g = 0; g < 256; ++g) greys[g] = g * 0x010101;
    ByteBuffer noiseIndices;
    ASSERT_TRUE(noiseIndices.allocate(64 * 64));
    std::copy_n(noise.bits(), 64 * 64, noiseIndices.data());
    const auto failsCleanly = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        GifAnimationWriter gif;
        ApngWriter apng;
        const bool gifFailed = !(gif.open("n.gif", 64, 64, greys, 256) && gif.addFrame(noiseIndices, 1) && gif.close());
        const bool apngFailed = !(apng.open("n.png", 64, 64, 1) && apng.addFrame(noise, 1, 10) && apng.close());
        return gifFailed && apngFailed && !folder.exists("n.gif") && !folder.exists("n.png");
    };
    EXPECT_EXIT(std::exit(failsCleanly() ? 0 : 1), testing::ExitedWithCode(0), "");
}
#endif
