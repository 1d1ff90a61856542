// Codec speed, each side by side with its reference on the same pictures:
// libpng (reading; writing at level 6 unfiltered), the plain linear colour
// search, giflib's encoder, libjpeg as cjpeg drives it, and ImageMagick's
// single-threaded Lanczos resize. Prints "NAME RATIO TARGET" per target
// (ratio = our time / reference time), then sizes and absolute times.
#include <gif_lib.h>
#include <png.h>

#include <chrono>
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
#include "image/resample.h"
#include "save/picture_files.h"

namespace {

double seconds(const std::function<void()>& work, int runs = 3) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - start;
        if (d.count() < best) best = d.count();
    }
    return best;
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

double wallSeconds(const std::string& command) {
    return seconds([&] {
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    });
}

long fileLength(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    long n = std::ftell(f);
    std::fclose(f);
    return n;
}

struct Figure {
    std::string name;
    double ours, reference, target;
};

}  // namespace

int main() {
    const std::string dir = "/tmp/sh-bench-" + std::to_string(std::rand());
    std::system(("mkdir -p " + dir).c_str());
    RasterImage photo, drawing, small;
    makePhoto(photo, 2000, 2000);
    makePalette(drawing, 2000, 2000, 256);
    makePalette(small, 300, 300, 20);
    struct Picture {
        const char* name;
        RasterImage* image;
    } pictures[] = {{"photo", &photo}, {"drawing256", &drawing}, {"small20", &small}};
    std::vector<Figure> figures;
    std::vector<std::string> details;
    auto note = [&](const std::string& what, double ours, double theirs, long ourSize, long theirSize) {
        char line[256];
        std::snprintf(line, sizeof line, "%-28s ours %8.2f ms  reference %8.2f ms  sizes %ld / %ld bytes", what.c_str(),
                      ours * 1e3, theirs * 1e3, ourSize, theirSize);
        details.push_back(line);
    };

    double writeOurs = 0, writeTheirs = 0, readOurs = 0, readTheirs = 0, gifOurs = 0, gifTheirs = 0;
    for (const Picture& p : pictures) {
        const std::string ours = dir + "/" + p.name + ".png", theirs = dir + "/" + p.name + "-libpng.png";
        double a = seconds([&] { savePng(*p.image, ours.c_str(), -1); });
        uint32_t palette[256];
        int count = 0;
        p.image->countColours(palette, count);
        PngRaster raster;
        preparePng(*p.image, raster, count ? 8 : 24, palette, count);
        // libpng gets the indices ready made; a true-colour picture it takes as it is.
        double b = count ? seconds([&] { libpngWrite(raster, theirs.c_str()); })
                         : seconds([&] { libpngWriteImage(*p.image, theirs.c_str()); });
        writeOurs += a;
        writeTheirs += b;
        note(std::string("png write ") + p.name + " (ours with census)", a, b, fileLength(ours), fileLength(theirs));
        const double c = seconds([&] { writePng(raster, ours.c_str(), 6, -1); });
        const double d = seconds([&] { libpngWrite(raster, theirs.c_str()); });
        note(std::string("png write ") + p.name + " (same scanlines)", c, d, fileLength(ours), fileLength(theirs));
        RasterImage back;
        std::vector<uint8_t> pixels;
        a = seconds([&] { back.loadPng(ours.c_str()); });
        b = seconds([&] { libpngRead(ours.c_str(), pixels); });
        readOurs += a;
        readTheirs += b;
        note(std::string("png read ") + p.name, a, b, fileLength(ours), fileLength(ours));
        if (!count) continue;
        GifRaster gif;
        prepareGif(*p.image, gif, palette, count);
        const std::string gifOursPath = dir + "/" + p.name + ".gif", gifTheirsPath = dir + "/" + p.name + "-giflib.gif";
        a = seconds([&] { writeGif(gif, gifOursPath.c_str(), -1); });
        b = seconds([&] { giflibWrite(gif, gifTheirsPath.c_str()); });
        gifOurs += a;
        gifTheirs += b;
        note(std::string("gif write ") + p.name, a, b, fileLength(gifOursPath), fileLength(gifTheirsPath));
    }
    figures.push_back({"png_read", readOurs, readTheirs, 1.0});
    figures.push_back({"png_write", writeOurs, writeTheirs, 1.0});

    // Census and palette lookup on the 256-colour drawing.
    std::vector<uint8_t> indices;
    double fast = seconds([&] {
        uint32_t palette[256];
        int count = 0;
        drawing.countColours(palette, count);
        GifRaster gif;
        prepareGif(drawing, gif, palette, count);
    });
    double slow = seconds([&] {
        uint32_t palette[256];
        int count = linearCensus(drawing, palette);
        linearIndices(drawing, palette, count, indices);
    }, 1);
    note("census+lookup drawing256", fast, slow, 0, 0);
    figures.push_back({"census_lookup", fast, slow, 0.1});
    figures.push_back({"gif_write", gifOurs, gifTheirs, 1.0});

    // JPEG at the default setting (quality 85, progressive) and baseline.
    std::vector<uint8_t> rgb = rgbRows(photo);
    double jpegOurs = 0, jpegTheirs = 0;
    for (bool progressive : {false, true}) {
        const std::string a = dir + "/ours.jpg", b = dir + "/libjpeg.jpg";
        double x = seconds([&] { writeJpeg(photo, a.c_str(), 85, progressive); });
        double y = seconds([&] { libjpegWrite(rgb, photo.width(), photo.height(), b.c_str(), 85, progressive); });
        jpegOurs += x;
        jpegTheirs += y;
        note(std::string("jpeg write photo q85") + (progressive ? " progressive" : " baseline"), x, y, fileLength(a), fileLength(b));
    }
    figures.push_back({"jpeg_write", jpegOurs, jpegTheirs, 1.05});

    // Reducing 2000 × 2000 to 200 × 200, against ImageMagick's resize alone
    // (its run minus a run that only reads and writes the same files).
    RasterImage thumb;
    double ours = seconds([&] { resample(photo, thumb, 200, 200); });
    const std::string ppm = dir + "/photo.ppm";
    {
        FILE* f = std::fopen(ppm.c_str(), "wb");
        std::fprintf(f, "P6\n2000 2000\n255\n");
        std::fwrite(rgb.data(), 1, rgb.size(), f);
        std::fclose(f);
    }
    const std::string im = "/usr/bin/convert -limit thread 1 " + ppm;
    double withResize = wallSeconds(im + " -filter Lanczos -resize 200x200! " + dir + "/im-thumb.ppm");
    double withoutResize = wallSeconds(im + " " + dir + "/im-copy.ppm");
    double imResize = withResize - withoutResize;
    note("resize 2000->200 (IM: difference)", ours, imResize, 0, 0);
    char line[160];
    std::snprintf(line, sizeof line, "imagemagick runs: with resize %.2f ms, read and write only %.2f ms", withResize * 1e3,
                  withoutResize * 1e3);
    details.push_back(line);
    figures.push_back({"resize_lanczos", ours, imResize, 1.5});

    for (const Figure& f : figures)
        std::printf("%s %.3f %.2f%s\n", f.name.c_str(), f.ours / f.reference, f.target,
                    f.ours / f.reference <= f.target ? "" : " MISSED");
    std::printf("\npictures: photo 2000x2000 true colour, drawing256 2000x2000 with 256 colours, small20 300x300 with 20 colours\n");
    for (const std::string& d : details) std::printf("%s\n", d.c_str());
    std::system(("rm -rf " + dir).c_str());
    return 0;
}
