// The working copy of the save options that the save dialog edits: filled
// from Settings before the question, copied back after an accepted one.
#pragma once

#include <cstdint>

#include "save/submission.h"

class RasterImage;
struct Settings;

// Format numbers of the picture (all four) and of the thumbnail (0 to 2).
enum PictureFormat : uint16_t { formatBmp = 0, formatPng = 1, formatJpeg = 2, formatGif = 3 };

// The JPEG setting word and the transparent colour word.
constexpr uint16_t jpegQualityMask = 0xFF;
constexpr uint16_t jpegProgressive = 0x8000;
constexpr uint32_t colourMask = 0xFFFFFF;  // 0x00BBGGRR
constexpr uint32_t useTransparency = 0x80000000;

struct SaveChoices {
    // optionBits: what to write, and whether the submission has an animation.
    enum : uint16_t {
        savePicture = 0x1,
        saveThumbnail = 0x2,
        saveAnimation = 0x4,
        carriesTimelapse = 0x4000,  // input only: the painter sent timelapse frames
        carriesAnimation = 0x8000,  // input only; never copied back
    };

    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    uint16_t optionBits = 0;
    uint16_t saveType = 0;
    uint16_t jpegSetting = 0;   // quality in the low byte, 0x8000 progressive
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    int32_t thumbWidthPercent = 0;
    int32_t thumbHeightPercent = 0;
    uint16_t thumbType = 0;
    uint16_t thumbSetting = 0;
    uint32_t transparentColour = 0;  // 0x00BBGGRR, 0x80000000 to use it
    uint16_t timelapse = 0;          // timelapseGif, timelapseApng (app/settings.h)
};

// "bmp", "png", "jpg" or "gif" for a format number; null for another.
const char* formatExtension(uint16_t format);

// The choices as Settings holds them, for a submission with these flags.
void fillSaveChoices(const Settings& settings, SubmissionFlags flags, SaveChoices& choices);
// Stores accepted choices back into Settings (the folder and file name are
// stored by the dialog itself).
void keepSaveChoices(const SaveChoices& choices, Settings& settings);

// What the dialog learns from the submitted picture when it opens: its size,
// PNG instead of a stored GIF when it has more than 256 colours, and the
// thumbnail size from the percentages (at least 1 pixel each way). Returns
// whether GIF can be offered (256 colours or fewer).
bool adaptChoicesToPicture(SaveChoices& choices, const RasterImage& picture);

// A JPEG setting word from a typed quality (taken as 16 bits, then kept to
// 1 … 100) and the progressive tick.
uint16_t jpegSettingOf(uint32_t quality, bool progressive);
