#include "save/picture_files.h"

#include "image/gif_writer.h"
#include "image/png_writer.h"

bool savePng(const RasterImage& image, const char* path, int32_t transparent) {
    uint32_t palette[256];
    int count = 0;
    PngRaster raster;
    if (!preparePngPalette(image, raster, palette, count)) return false;
    if (!count && !preparePng(image, raster, 24, nullptr, 0)) return false;
    return writePng(raster, path, pngLevelByPicture, transparent);
}

bool saveGif(const RasterImage& image, const char* path, int32_t transparent) {
    uint32_t palette[256];
    int count = 0;
    if (!image.countColours(palette, count) || count == 0) return false;
    GifRaster gif;
    if (!prepareGif(image, gif, palette, count)) return false;
    return writeGif(gif, path, transparent);
}
