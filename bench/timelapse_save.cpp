// The program's side of a timelapse: frames posted by the painter (a section
// file) and the finished picture (PPM) into the GIF and the APNG, timed.
// Usage: timelapse_save FOLDER, with frames.skhl and finished.ppm from
// node bench/painter_engine.mjs FOLDER.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/raster_image.h"
#include "save/timelapse.h"

namespace {

bool readPpm(const std::string& path, RasterImage& picture) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();
    if (magic != "P6" || maximum != 255 || !picture.create(width, height)) return false;
    std::vector<char> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        if (!in.read(row.data(), static_cast<std::streamsize>(row.size()))) return false;
        uint8_t* out = picture.pixelAddress(0, y);
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = static_cast<uint8_t>(row[x * 3 + 2]);
            out[1] = static_cast<uint8_t>(row[x * 3 + 1]);
            out[2] = static_cast<uint8_t>(row[x * 3]);
        }
    }
    return true;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: timelapse_save FOLDER\n");
        return 2;
    }
    std::filesystem::path folder = argv[1];
    RasterImage finished;
    if (!readPpm((folder / "finished.ppm").string(), finished)) {
        std::fprintf(stderr, "cannot read finished.ppm\n");
        return 1;
    }
    std::string frames = (folder / "frames.skhl").string();
    std::string gif = (folder / "bench_timelapse.gif").string();
    std::string png = (folder / "bench_timelapse.png").string();
    struct Run {
        const char* what;
        TimelapseFiles files;
    } runs[] = {{"GIF", {gif.c_str(), nullptr}}, {"APNG", {nullptr, png.c_str()}}, {"GIF and APNG", {gif.c_str(), png.c_str()}}};
    for (const Run& run : runs) {
        std::vector<double> seconds;
        for (int n = 0; n < 3; ++n) {
            auto start = std::chrono::steady_clock::now();
            TimelapseOutcome outcome = writeTimelapse(frames.c_str(), finished, 480, run.files);
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            if (outcome.refusal || (run.files.gif && !outcome.gifWritten) || (run.files.png && !outcome.pngWritten)) {
                std::fprintf(stderr, "the timelapse was not written\n");
                return 1;
            }
        }
        std::printf("timelapse %-12s %.3f s (median of 3)\n", run.what, median(seconds));
    }
    std::printf("sizes: GIF %ju bytes, APNG %ju bytes\n", static_cast<uintmax_t>(std::filesystem::file_size(gif)),
                static_cast<uintmax_t>(std::filesystem::file_size(png)));
    return 0;
}
