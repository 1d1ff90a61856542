// Helpers of the save tests: pictures as PNG files made by the tests' own
// PNG builder, submission bodies, and a scripted asker.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "save/save_asker.h"
#include "image/raster_image.h"
#include "tests/unit/image/png_files.h"
#include "tests/unit/image/pictures.h"

namespace savetest {

// A true-colour PNG of width × height; colours 0 gives every pixel its own
// pattern colour, otherwise exactly that many distinct colours.
inline std::string pngPicture(int width, int height, int colours = 0) {
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0';  // filter type none
        for (int x = 0; x < width; ++x) {
            uint8_t r, g, b;
            if (colours == 0) {
                pictures::patternPixel(x, y, 3, r, g, b);
            } else {
                int i = y * width + x;
                uint32_t c = pictures::colourNumber(i < colours ? i : i % colours);
                r = static_cast<uint8_t>(c >> 16);
                g = static_cast<uint8_t>(c >> 8);
                b = static_cast<uint8_t>(c);
            }
            rows += static_cast<char>(r);
            rows += static_cast<char>(g);
            rows += static_cast<char>(b);
        }
    }
    return pngfiles::signature + pngfiles::header(width, height, 8, 2) +
           pngfiles::chunk("IDAT", pngfiles::deflateAll(rows)) + pngfiles::chunk("IEND", "");
}

inline std::string lengthField(size_t n) {
    std::string digits = std::to_string(n);
    return std::string(8 - digits.size(), '0') + digits;
}

// A record-form body; an empty animation means none (header 0).
inline std::string recordBody(char letter, const std::string& picture, const std::string& animation = "") {
    std::string header = animation.empty() ? "0" : "1";
    std::string body = std::string(1, letter) + lengthField(1) + header + lengthField(picture.size()) + "\r\n" + picture;
    if (!animation.empty()) body += lengthField(animation.size()) + animation;
    return body;
}

// Answers as the script says and records what it was asked.
class ScriptedAsker : public SaveAsker {
public:
    bool accept = true;
    bool overwrite = false;
    std::function<void(SaveChoices&)> edit;  // the user's changes, before accepting

    int chooseCalls = 0;
    SaveChoices offered;
    int32_t pictureWidth = 0;
    int32_t pictureHeight = 0;
    std::vector<std::string> questions;

    bool chooseSave(SaveChoices& choices, const RasterImage& picture) override {
        ++chooseCalls;
        offered = choices;
        pictureWidth = picture.width();
        pictureHeight = picture.height();
        if (edit) edit(choices);
        return accept;
    }
    bool confirmOverwrite(const char* text) override {
        questions.emplace_back(text);
        return overwrite;
    }
};

}  // namespace savetest
