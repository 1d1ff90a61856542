// Fuzzes the timelapse from the frames section the painter posts: a section
// that does not hold together gives the refusal and leaves no file; one that
// does writes both files.
#include <unistd.h>

#include <string>

#include "image/raster_image.h"
#include "save/timelapse.h"
#include "tests/fuzz/fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string gif = fuzzPath(".gif");
    static const std::string png = fuzzPath(".png");
    static RasterImage finished;
    if (finished.isEmpty()) require(finished.create(24, 18));
    const char* frames = fuzzFile(data, size);
    TimelapseOutcome outcome = writeTimelapse(frames, finished, 16, TimelapseFiles{gif.c_str(), png.c_str()});
    bool gifThere = access(gif.c_str(), F_OK) == 0;
    bool pngThere = access(png.c_str(), F_OK) == 0;
    if (outcome.refusal)
        require(!outcome.gifWritten && !outcome.pngWritten && !gifThere && !pngThere);
    else
        require(outcome.gifWritten && outcome.pngWritten && gifThere && pngThere);
    unlink(gif.c_str());
    unlink(png.c_str());
    return 0;
}
