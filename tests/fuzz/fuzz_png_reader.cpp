// Fuzzes the PNG reader: any bytes either load as a 24-bit picture of the
// size the header claims or leave the image empty.
#include "image/png_reader.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RasterImage image;
    if (image.loadPng(fuzzFile(data, size))) {
        require(image.bytesPerPixel() == 3 && image.width() >= 1 && image.height() >= 1);
        volatile uint8_t last = image.pixelAddress(image.width() - 1, 0)[2];
        (void)last;
    } else {
        require(image.isEmpty());
    }
    return 0;
}
