// Codec speed, each side by side with its reference on the same pictures:
// libpng (reading; writing at level 6 unfiltered), the plain linear colour
// search, giflib's encoder, libjpeg as cjpeg drives it, ImageMagick's
// single-threaded Lanczos resize, and the whole save of a posted drawing
// against libpng reading and writing it. Prints "NAME RATIO TARGET" per target
// (ratio = our time / reference time by the thread's CPU time, the minimum of
// interleaved runs; the run count is the optional argument, default 15), then
// the wall-time ratios, sizes and absolute times.
#include <gif_lib.h>
#include <png.h>

#include <malloc.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "image/colour_index.h"
#include "image/gif_writer.h"
#include "image/jpeg_writer.h"
#include "image/png_writer.h"
#include "app/settings.h"
#include "image/resample.h"
#include "platform/platform.h"
#include "save/native_asker.h"
#include "save/picture_files.h"
#include "save/save_flow.h"

namespace {

// One run's cost: the calling thread's CPU time and the wall time, seconds.
struct Cost {
    double cpu, wall;
};

double threadCpu() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of finished child processes (user and system), seconds.
double childrenCpu() {
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

Cost runOnce(const std::function<void()>& work) {
    const double cpu = threadCpu(), wall = wallNow();
    work();
    return {threadCpu() - cpu, wallNow() - wall};
}

// The runs of one side: minimum and median of either clock.
struct Series {
    std::vector<double> cpu, wall;
    void add(Cost c) {
        cpu.push_back(c.cpu);
        wall.push_back(c.wall);
    }
    static double minimum(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }
    static double median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    double cpuMin() const { return minimum(cpu); }
    double cpuMedian() const { return median(cpu); }
    double wallMin() const { return minimum(wall); }
    double wallMedian() const { return median(wall); }
};

int repetitions = 15;

// Ours and the reference, run by run in turn, so a burst of load elsewhere on
// the machine falls on both alike.
struct Duel {
    Series ours, reference;
};

Duel duel(const std::function<void()>& ours, const std::function<void()>& reference, int runs = repetitions) {
    Duel d;
    for (int i = 0; i < runs; ++i) {
        // Each side goes first every other time, so neither always finds the
        // caches as the other left them.
        if (i % 2) {
            d.reference.add(runOnce(reference));
            d.ours.add(runOnce(ours));
        } else {
            d.ours.add(runOnce(ours));
            d.reference.add(runOnce(reference));
        }
    }
    return d;
}

Series series(const std::function<void()>& work, int runs = repetitions) {
    Series s;
    for (int i = 0; i < runs; ++i) s.add(runOnce(work));
    return s;
}

uint32_t noise(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 24;
}

// A photo-like picture: smooth gradients with fine noise.
void makePhoto(RasterImage& image, int w, int h) {
    image.create(w, h);
    uint32_t state = 1;
    for (int y = 0; y < h; ++y) {
        uint8_t* p = image.pixelAddress(0, y);
        for (int x = 0; x < w; ++x, p += 3) {
            p[0] = static_cast<uint8_t>((x * 255 / w + noise(state) % 9) & 255);
            p[1] = static_cast<uint8_t>((y * 255 / h + noise(state) % 9) & 255);
            p[2] = static_cast<uint8_t>(((x + y) * 127 / (w + h) + 60 + noise(state) % 9) & 255);
        }
    }
}

// A drawing of n colours in patches, as an oekaki picture is.
void makePalette(RasterImage& image, int w, int h, int n) {
    image.create(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = image.pixelAddress(0, y);
        for (int x = 0; x < w; ++x, p += 3) {
            uint32_t k = static_cast<uint32_t>((x / 7 + (y / 5) * 3 + (x * y) / 97) % n);
            uint32_t c = k * 2654435761u;
            p[0] = static_cast<uint8_t>(c);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c >> 16);
        }
    }
}

// A drawing as a painter posts it: a white sheet with overlapping discs of a
// few colours whose edges are smoothed, so it has far more than 256 colours
// but wide flat areas.
void makeDrawing(RasterImage& image, int w, int h) {
    image.create(w, h);
    for (int y = 0; y < h; ++y) std::fill(image.pixelAddress(0, y), image.pixelAddress(0, y) + w * 3, 255);
    uint32_t state = 7;
    for (int disc = 0; disc < 120; ++disc) {
        const double cx = noise(state) * w / 256.0, cy = noise(state) * h / 256.0, radius = 8 + noise(state) % 90;
        const uint8_t colour[3] = {static_cast<uint8_t>(noise(state) & 0xE0), static_cast<uint8_t>(noise(state) & 0xE0),
                                   static_cast<uint8_t>(noise(state) & 0xE0)};
        for (int y = std::max(0, static_cast<int>(cy - radius - 1)); y < std::min(h, static_cast<int>(cy + radius + 2)); ++y)
            for (int x = std::max(0, static_cast<int>(cx - radius - 1)); x < std::min(w, static_cast<int>(cx + radius + 2)); ++x) {
                const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) - radius;
                const double cover = std::clamp(0.5 - d, 0.0, 1.0);
                uint8_t* p = image.pixelAddress(x, y);
                for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>(p[c] * (1 - cover) + colour[c] * cover + 0.5);
            }
    }
}

// The body a painter posts for a drawing with its animation record: the
// record form with header "1", the picture, then the record.
std::string submissionBody(const std::string& png, const std::string& record) {
    char field[9];
    std::string body = "P";
    auto length = [&](size_t n) {
        std::snprintf(field, sizeof field, "%08zu", n);
        body += field;
    };
    length(1);
    body += "1";
    length(png.size());
    body += "\r\n" + png;
    length(record.size());
    return body + record;
}

std::string readWhole(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

void writeWhole(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// ---- references ----

int linearCensus(const RasterImage& image, uint32_t* palette) {
    int count = 0;
    for (int row = 0; row < image.height(); ++row) {
        const uint8_t* p = image.bits() + static_cast<size_t>(row) * image.stride();
        for (int x = 0; x < image.width(); ++x, p += 3) {
            uint32_t c = censusColour(p);
            int i = 0;
            while (i < count && palette[i] != c) ++i;
            if (i < count) continue;
            if (count == 256) return 0;
            palette[count++] = c;
        }
    }
    return count;
}

void linearIndices(const RasterImage& image, const uint32_t* palette, int count, std::vector<uint8_t>& out) {
    out.resize(static_cast<size_t>(image.width()) * image.height());
    size_t k = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* p = image.pixelAddress(0, y);
        for (int x = 0; x < image.width(); ++x, p += 3) {
            uint32_t c = censusColour(p);
            int i = 0;
            while (i < count && palette[i] != c) ++i;
            out[k++] = static_cast<uint8_t>(i < count ? i : 0);
        }
    }
}

// libpng writing the same scanlines (indices or RGB) at level 6, unfiltered.
void libpngWrite(const PngRaster& raster, const char* path) {
    FILE* f = std::fopen(path, "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_compression_level(png, 6);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    const bool palette = raster.format == 8;
    png_set_IHDR(png, info, raster.width, raster.height, 8, palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours(raster.paletteCount);
    if (palette) {
        for (int i = 0; i < raster.paletteCount; ++i)
            colours[i] = {raster.paletteData.data()[i * 3], raster.paletteData.data()[i * 3 + 1], raster.paletteData.data()[i * 3 + 2]};
        png_set_PLTE(png, info, colours.data(), raster.paletteCount);
    }
    png_write_info(png, info);
    for (int y = 0; y < raster.height; ++y)
        png_write_row(png, raster.scanlines.data() + static_cast<size_t>(y) * raster.rowBytes + 1);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// libpng writing a true-colour picture straight from its rows, as a libpng
// user with this picture would: blue-first rows, level 6, unfiltered.
void libpngWriteImage(const RasterImage& image, const char* path) {
    FILE* f = std::fopen(path, "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_compression_level(png, 6);
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_IHDR(png, info, image.width(), image.height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < image.height(); ++y) png_write_row(png, image.pixelAddress(0, y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

// libpng reading into 24-bit blue, green, red rows, bottom-up, as we do.
void libpngRead(const char* path, std::vector<uint8_t>& pixels) {
    FILE* f = std::fopen(path, "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_palette_to_rgb(png);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    const size_t stride = (w * 3 + 3) & ~size_t{3};
    pixels.assign(stride * h, 0);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + (h - 1 - y) * stride;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
}

void giflibWrite(const GifRaster& gif, const char* path) {
    int error;
    GifFileType* file = EGifOpenFileName(path, false, &error);
    ColorMapObject* map = GifMakeMapObject(256, reinterpret_cast<const GifColorType*>(gif.paletteData.data()));
    EGifSetGifVersion(file, true);
    EGifPutScreenDesc(file, gif.width, gif.height, 8, 0, map);
    EGifPutImageDesc(file, 0, 0, gif.width, gif.height, false, nullptr);
    for (int y = 0; y < gif.height; ++y)
        EGifPutLine(file, const_cast<GifPixelType*>(gif.indices.data()) + static_cast<size_t>(y) * gif.width, gif.width);
    EGifCloseFile(file, &error);
    GifFreeMapObject(map);
}

// libjpeg as cjpeg drives it: RGB rows already in the library's order.
void libjpegWrite(const std::vector<uint8_t>& rgb, int w, int h, const char* path, int quality, bool progressive) {
    FILE* f = std::fopen(path, "wb");
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = w;
    info.image_height = h;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + static_cast<size_t>(info.next_scanline) * w * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
}

std::vector<uint8_t> rgbRows(const RasterImage& image) {
    std::vector<uint8_t> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uint8_t* p = image.pixelAddress(x, y);
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    return out;
}

// One run of a shell command: the children's CPU time and the wall time.
Cost runCommand(const std::string& command) {
    const double cpu = childrenCpu(), wall = wallNow();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return {childrenCpu() - cpu, wallNow() - wall};
}

long fileLength(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fclose(f);
    return n;
}

// A target: the sums of the per-picture minima (and medians) of either side. The CPU-time
// ratio is the figure that counts; the wall-time one is shown beside it.
struct Figure {
    std::string name;
    double target;
    double oursCpu = 0, referenceCpu = 0, oursWall = 0, referenceWall = 0, oursMedian = 0, referenceMedian = 0;
    void add(const Series& ours, const Series& reference) {
        oursCpu += ours.cpuMin();
        referenceCpu += reference.cpuMin();
        oursMedian += ours.cpuMedian();
        referenceMedian += reference.cpuMedian();
        oursWall += ours.wallMin();
        referenceWall += reference.wallMin();
    }
    double ratio() const { return oursCpu / referenceCpu; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) repetitions = std::max(1, std::atoi(argv[1]));
    // Freed memory stays with the process, so that repeated runs measure the
    // work and not the first touch of pages the allocator gave back to the
    // system and asks for again (about 10 µs a page on a virtual machine),
    // which fell on whichever side happened to free the most at once.
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    // Files go to memory where there is a memory file system, so the disk's
    // own delays (which fall on either side by chance) stay out of the times.
    const std::string dir = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/sh-bench-" +
                            std::to_string(getpid());
    std::system(("mkdir -p " + dir).c_str());
    RasterImage photo, drawing, small;
    makePhoto(photo, 2000, 2000);
    makePalette(drawing, 2000, 2000, 256);
    makePalette(small, 300, 300, 20);
    struct Picture {
        const char* name;
        RasterImage* image;
    } pictures[] = {{"photo", &photo}, {"drawing256", &drawing}, {"small20", &small}};
    std::vector<std::string> details;
    auto line = [&](const char* format, auto... values) {
        char text[320];
        std::snprintf(text, sizeof text, format, values...);
        details.push_back(text);
    };
    auto note = [&](const std::string& what, const Series& ours, const Series& reference, long ourSize, long theirSize) {
        line("%-40s cpu min %8.2f / %8.2f ms (%.3f), median %8.2f / %8.2f ms (%.3f); wall min %8.2f / %8.2f ms (%.3f); "
             "sizes %ld / %ld",
             what.c_str(), ours.cpuMin() * 1e3, reference.cpuMin() * 1e3, ours.cpuMin() / reference.cpuMin(),
             ours.cpuMedian() * 1e3, reference.cpuMedian() * 1e3, ours.cpuMedian() / reference.cpuMedian(),
             ours.wallMin() * 1e3, reference.wallMin() * 1e3, ours.wallMin() / reference.wallMin(), ourSize, theirSize);
    };

    Figure pngRead{"png_read", 0.7}, pngWrite{"png_write", 0.5}, census{"census_lookup", 0.1}, gifWrite{"gif_write", 1.0},
        jpegWrite{"jpeg_write", 1.05}, resize{"resize_lanczos", 1.0}, saveRoad{"save_road", 1.0};
    for (const Picture& p : pictures) {
        const std::string ours = dir + "/" + p.name + ".png", theirs = dir + "/" + p.name + "-libpng.png";
        uint32_t palette[256];
        int count = 0;
        p.image->countColours(palette, count);
        PngRaster raster;
        preparePng(*p.image, raster, count ? 8 : 24, palette, count);
        // Both write the same file from the same picture: libpng has no way of
        // finding a palette, so for a picture of at most 256 colours it is
        // handed the indices of the same census, run inside its timing as ours
        // runs inside savePng; a true-colour picture it takes from the rows.
        Duel write = duel([&] { savePng(*p.image, ours.c_str(), -1); },
                          [&] {
                              if (!count) {
                                  libpngWriteImage(*p.image, theirs.c_str());
                                  return;
                              }
                              PngRaster indexed;
                              uint32_t colours[256];
                              int n = 0;
                              preparePngPalette(*p.image, indexed, colours, n);
                              libpngWrite(indexed, theirs.c_str());
                          });
        pngWrite.add(write.ours, write.reference);
        note(std::string("png write ") + p.name + " (from the picture)", write.ours, write.reference, fileLength(ours),
             fileLength(theirs));
        Duel same = duel([&] { writePng(raster, ours.c_str(), pngLevelByPicture, -1); },
                         [&] { libpngWrite(raster, theirs.c_str()); });
        note(std::string("png write ") + p.name + " (same scanlines)", same.ours, same.reference, fileLength(ours),
             fileLength(theirs));
        if (p.image == &drawing) {
            // What the harness can tell apart: libpng against itself.
            Duel self = duel([&] { libpngWrite(raster, ours.c_str()); }, [&] { libpngWrite(raster, theirs.c_str()); });
            note(std::string("png write ") + p.name + " (libpng vs libpng)", self.ours, self.reference, fileLength(ours),
                 fileLength(theirs));
        }
        // Where our time goes: the census, the scanlines, the file.
        Series countPhase = series([&] {
            uint32_t colours[256];
            int n = 0;
            p.image->countColours(colours, n);
        });
        Series preparePhase = series([&] {
            PngRaster r;
            preparePng(*p.image, r, count ? 8 : 24, palette, count);
        });
        Series fusedPhase = series([&] {
            PngRaster r;
            uint32_t colours[256];
            int n = 0;
            preparePngPalette(*p.image, r, colours, n);
        });
        line("%-40s cpu min: census %.2f ms, lookup %.2f ms; census writing the indices (as saved) %.2f ms; file %.2f ms",
             (std::string("png write ") + p.name + " phases").c_str(), countPhase.cpuMin() * 1e3,
             preparePhase.cpuMin() * 1e3, fusedPhase.cpuMin() * 1e3, same.ours.cpuMin() * 1e3);
        RasterImage back;
        std::vector<uint8_t> pixels;
        Duel read = duel([&] { back.loadPng(ours.c_str()); }, [&] { libpngRead(ours.c_str(), pixels); });
        pngRead.add(read.ours, read.reference);
        note(std::string("png read ") + p.name, read.ours, read.reference, fileLength(ours), fileLength(ours));
        if (!count) continue;
        GifRaster gif;
        prepareGif(*p.image, gif, palette, count);
        const std::string gifOursPath = dir + "/" + p.name + ".gif", gifTheirsPath = dir + "/" + p.name + "-giflib.gif";
        Duel g = duel([&] { writeGif(gif, gifOursPath.c_str(), -1); }, [&] { giflibWrite(gif, gifTheirsPath.c_str()); });
        gifWrite.add(g.ours, g.reference);
        note(std::string("gif write ") + p.name, g.ours, g.reference, fileLength(gifOursPath), fileLength(gifTheirsPath));
    }

    // Census and palette lookup on the 256-colour drawing; the linear search
    // is slow, so it runs fewer times.
    std::vector<uint8_t> indices;
    Duel lookup = duel(
        [&] {
            uint32_t palette[256];
            int count = 0;
            drawing.countColours(palette, count);
            GifRaster gif;
            prepareGif(drawing, gif, palette, count);
        },
        [&] {
            uint32_t palette[256];
            int count = linearCensus(drawing, palette);
            linearIndices(drawing, palette, count, indices);
        },
        std::min(repetitions, 3));
    census.add(lookup.ours, lookup.reference);
    note("census+lookup drawing256", lookup.ours, lookup.reference, 0, 0);

    // JPEG at the default setting (quality 85, progressive) and baseline.
    std::vector<uint8_t> rgb = rgbRows(photo);
    for (bool progressive : {false, true}) {
        const std::string a = dir + "/ours.jpg", b = dir + "/libjpeg.jpg";
        Duel j = duel([&] { writeJpeg(photo, a.c_str(), 85, progressive); },
                      [&] { libjpegWrite(rgb, photo.width(), photo.height(), b.c_str(), 85, progressive); });
        jpegWrite.add(j.ours, j.reference);
        note(std::string("jpeg write photo q85") + (progressive ? " progressive" : " baseline"), j.ours, j.reference,
             fileLength(a), fileLength(b));
    }

    // Reducing 2000 × 2000 to 200 × 200, against ImageMagick's resize alone:
    // its run minus a run that only reads and writes the same files, each
    // timed by the CPU time of the finished child processes.
    RasterImage thumb;
    const std::string ppm = dir + "/photo.ppm";
    {
        FILE* f = std::fopen(ppm.c_str(), "wb");
        std::fprintf(f, "P6\n2000 2000\n255\n");
        std::fwrite(rgb.data(), 1, rgb.size(), f);
        std::fclose(f);
    }
    const std::string im = "/usr/bin/convert -limit thread 1 " + ppm;
    Series oursResize, withResize, withoutResize;
    for (int i = 0; i < repetitions; ++i) {
        oursResize.add(runOnce([&] { resample(photo, thumb, 200, 200); }));
        withResize.add(runCommand(im + " -filter Lanczos -resize 200x200! " + dir + "/im-thumb.ppm"));
        withoutResize.add(runCommand(im + " " + dir + "/im-copy.ppm"));
    }
    Series imResize;
    imResize.add({withResize.cpuMin() - withoutResize.cpuMin(), withResize.wallMin() - withoutResize.wallMin()});
    resize.add(oursResize, imResize);
    note("resize 2000->200 (IM: difference)", oursResize, imResize, 0, 0);
    line("imagemagick runs: with resize cpu min %.2f ms, read and write only cpu min %.2f ms (wall %.2f / %.2f ms)",
         withResize.cpuMin() * 1e3, withoutResize.cpuMin() * 1e3, withResize.wallMin() * 1e3, withoutResize.wallMin() * 1e3);

    // The whole save of a posted 1000 × 1000 drawing with its animation
    // record, as the program runs it: the body split, the picture decoded, its
    // colours counted, the picture and a 50 % thumbnail written as PNG, the
    // record copied. The reference is libpng decoding the same posted picture
    // and encoding it again (level 6, unfiltered, from its rows).
    {
        RasterImage sketch;
        makeDrawing(sketch, 1000, 1000);
        const std::string posted = dir + "/posted.png", again = dir + "/again-libpng.png", out = dir + "/out";
        libpngWriteImage(sketch, posted.c_str());
        std::string record(300 * 1024, '\0');
        uint32_t state = 3;
        for (char& c : record) c = static_cast<char>(noise(state));
        std::system(("mkdir -p " + out).c_str());
        writeWhole(dir + "/_post.dat", submissionBody(readWhole(posted), record));
        Settings settings;
        settings.saveDir.assign(out.c_str());
        settings.OptionFlag = optionSavePicture | optionSaveThumbnail | optionSaveAnimation;
        NativeAsker asker(settings);
        SaveFlow flow(settings, asker);
        // Each side decodes into a picture of its own, as every save does.
        Duel road = duel(
            [&] {
                platform::setCurrentFolder(dir.c_str());
                TextBuffer result(1023);
                if (!flow.saveSubmission(result)) std::fprintf(stderr, "the save road failed\n");
            },
            [&] {
                std::vector<uint8_t> rows;
                libpngRead(posted.c_str(), rows);
                libpngWriteImage(sketch, again.c_str());
            });
        platform::setCurrentFolder(dir.c_str());
        saveRoad.add(road.ours, road.reference);
        note("save road drawing 1000x1000 (picture)", road.ours, road.reference, fileLength(out + "/000.png"),
             fileLength(again));
        line("%-40s sizes: posted %ld, thumbnail %ld, record %ld", "save road files", fileLength(posted),
             fileLength(out + "/s_000.png"), fileLength(out + "/000.pch"));
    }

    for (const Figure* f : {&pngRead, &pngWrite, &census, &gifWrite, &jpegWrite, &resize, &saveRoad})
        std::printf("%s %.3f %.2f%s\n", f->name.c_str(), f->ratio(), f->target, f->ratio() <= f->target ? "" : " MISSED");
    std::printf("\nratios: our time / reference time, by the thread's CPU time, minimum of %d interleaved runs "
                "(census: %d), summed over the pictures\n",
                repetitions, std::min(repetitions, 3));
    for (const Figure* f : {&pngRead, &pngWrite, &census, &gifWrite, &jpegWrite, &resize, &saveRoad})
        std::printf("%-15s cpu min %.3f  cpu median %.3f  wall min %.3f\n", f->name.c_str(), f->ratio(),
                    f->oursMedian / f->referenceMedian, f->oursWall / f->referenceWall);
    std::printf("\npictures: photo 2000x2000 true colour, drawing256 2000x2000 with 256 colours, small20 300x300 with 20 colours\n"
                "times: ours / reference (ratio)\n");
    for (const std::string& d : details) std::printf("%s\n", d.c_str());
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
