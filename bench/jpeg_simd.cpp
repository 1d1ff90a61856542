// JPEG writing speed of the program's writer, on the libjpeg-turbo it is
// linked with: the figure to compare with and without the library's SIMD
// code. Run it once as it is and once with JSIMD_FORCENONE=1 in the
// environment, which makes libjpeg-turbo use its plain C code (the Windows
// builds run it under Wine: scripts/wine-run build/win64/bench/jpeg_simd.exe).
// Usage: jpeg_simd [runs]
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/jpeg_writer.h"
#include "image/raster_image.h"

namespace {

constexpr int side = 2000;
constexpr int quality = 85;
constexpr char scratchFile[] = "jpeg_simd_bench.jpg";

// A photo-like picture: smooth gradients with fine noise, as the codec
// benchmark's.
void makePhoto(RasterImage& image) {
    image.create(side, side);
    uint32_t state = 1;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 24;
    };
    for (int y = 0; y < side; ++y) {
        uint8_t* p = image.pixelAddress(0, y);
        for (int x = 0; x < side; ++x, p += 3) {
            p[0] = static_cast<uint8_t>((x * 255 / side + noise() % 9) & 255);
            p[1] = static_cast<uint8_t>((y * 255 / side + noise() % 9) & 255);
            p[2] = static_cast<uint8_t>(((x + y) * 127 / (2 * side) + 60 + noise() % 9) & 255);
        }
    }
}

// The fastest of runs writes, in milliseconds (the least disturbed by other
// work on the machine); negative when a write fails.
double fastestWrite(const RasterImage& photo, bool progressive, int runs) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        if (!writeJpeg(photo, scratchFile, quality, progressive)) return -1;
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    const char* forced = std::getenv("JSIMD_FORCENONE");
    bool simd = !(forced && std::strcmp(forced, "1") == 0);
    RasterImage photo;
    makePhoto(photo);
    std::printf("JPEG writing, %d x %d photo-like picture, quality %d, fastest of %d runs, SIMD %s\n", side, side,
                quality, runs, simd ? "on" : "off (JSIMD_FORCENONE=1)");
    int status = 0;
    for (bool progressive : {false, true}) {
        double ms = fastestWrite(photo, progressive, runs);
        if (ms < 0) status = 1;
        std::printf("  %-12s %8.1f ms\n", progressive ? "progressive" : "baseline", ms);
    }
    std::remove(scratchFile);
    return status;
}
