// Fuzzes the header probe: it reads only what the file holds and writes the
// sizes only when it says true.
#include "image/header_probe.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t width = -1, height = -1;
    require(probeImageSize(fuzzFile(data, size), width, height) || (width == -1 && height == -1));
    return 0;
}
