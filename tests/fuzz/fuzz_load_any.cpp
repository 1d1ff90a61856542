// Fuzzes loadAny, and through it every loader: PNG, the BMP reader and the
// JPEG and GIF decoders.
#include "image/raster_image.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RasterImage image;
    const bool loaded = image.loadAny(fuzzFile(data, size));
    require(loaded != image.isEmpty());
    if (loaded) {
        require(image.bytesPerPixel() == 3);
        int count;
        image.countColours(nullptr, count);
    }
    return 0;
}
