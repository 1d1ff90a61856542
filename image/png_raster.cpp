#include "image/png_raster.h"

#include "image/checked_size.h"

bool pngRowBytes(int32_t width, uint32_t format, uint32_t& rowBytes) {
    uint32_t bits;
    if (width < 0 || !multiplyChecked(static_cast<uint32_t>(width), format, bits)) return false;
    uint32_t bytes = bits / 8 + (bits % 8 != 0);
    return addChecked(bytes, 1, rowBytes);
}
