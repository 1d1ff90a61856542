// The timelapse of a drawing: the frames the built-in painter sent with it,
// each scaled with the program's Lanczos so that the longer side is at most
// the size asked, then the finished picture held for two seconds, written as
// a looping GIF and, when asked, an animated PNG.
#pragma once

#include <cstdint>

class RasterImage;

// The files to write; a null name is a file not asked for.
struct TimelapseFiles {
    const char* gif = nullptr;
    const char* png = nullptr;
};

struct TimelapseOutcome {
    bool gifWritten = false;
    bool pngWritten = false;
    const char* refusal = nullptr;  // for the user, when the frames could not be used
};

// Centiseconds each frame shows, and the finished picture at the end.
constexpr uint16_t timelapseFrameDelay = 10;
constexpr uint16_t timelapseLastDelay = 200;

// Reads the frames section at framesPath and writes files. A section that
// does not hold together writes nothing and gives a refusal; a file whose
// writer fails is left out (and not left behind).
TimelapseOutcome writeTimelapse(const char* framesPath, const RasterImage& finished, uint32_t longestSide,
                                const TimelapseFiles& files);

// The size of the timelapse of a width × height picture: the longer side at
// most longestSide (kept to 16 … 2000), the other in proportion, at least 1.
void timelapseSize(int32_t width, int32_t height, uint32_t longestSide, int32_t& outWidth, int32_t& outHeight);
