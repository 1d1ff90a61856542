#include "tests/win32/test_pictures.h"

#include "image/png_writer.h"

bool fillPicture(RasterImage& image, int32_t width, int32_t height, COLORREF colour) {
    if (!image.create(width, height)) return false;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.pixelAddress(x, y);
            p[0] = GetBValue(colour);
            p[1] = GetGValue(colour);
            p[2] = GetRValue(colour);
        }
    }
    return true;
}

bool gradientPicture(RasterImage& image, int32_t width, int32_t height) {
    if (!image.create(width, height)) return false;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = image.pixelAddress(x, y);
            p[0] = 0;
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x);
        }
    }
    return true;
}

bool writePngFile(const RasterImage& image, const char* path) {
    PngRaster raster;
    return preparePng(image, raster, 24, nullptr, 0) && writePng(raster, path, 6, -1);
}
