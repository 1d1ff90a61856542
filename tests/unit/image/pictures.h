// Small asymmetric test pictures and byte helpers shared by the image tests.
#pragma once

#include <cstdint>
#include <string>

#include "image/raster_image.h"

namespace pictures {

// A picture of width × height whose pixel (x, y) has the colour
// colourAt(x, y), given as 0x00RRGGBB.
template <typename Colours>
inline bool paint(RasterImage& image, int width, int height, Colours colourAt) {
    if (!image.create(width, height)) return false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colourAt(x, y);
            uint8_t* p = image.pixelAddress(x, y);
            p[0] = static_cast<uint8_t>(c);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c >> 16);
        }
    return true;
}

// A true-colour picture of width × height whose every pixel differs from its
// mirror images, so a flip or a channel swap shows.
inline bool makePattern(RasterImage& image, int width, int height, int seed = 0) {
    return paint(image, width, height, [seed](int x, int y) {
        const uint32_t r = (x * 37 + y * 11 + seed) & 255, g = (y * 53 + x * 3 + seed * 7 + 40) & 255;
        return r << 16 | g << 8 | ((x * y * 13 + x + 2 * y + 90) & 255);
    });
}

// The colour number k of a picture with few colours (distinct for k < 2^24).
inline uint32_t colourNumber(int k) { return static_cast<uint32_t>(k) * 2654435761u & 0xFFFFFF; }

// A picture using exactly colours distinct colours, in a scattered order.
inline bool makeColours(RasterImage& image, int width, int height, int colours) {
    return paint(image, width, height, [=](int x, int y) {
        const int i = y * width + x;
        return colourNumber(i < colours ? i : (i * 7 + y) % colours);
    });
}

// The picture's pixels as red, green, blue bytes, rows top first.
inline std::string rgbOf(const RasterImage& image) {
    std::string out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t* p = image.pixelAddress(x, y);
            out.append({static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])});
        }
    return out;
}

inline std::string bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

}  // namespace pictures
