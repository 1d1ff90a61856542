// A PNG builder of the tests' own, independent of the codec: writes hand-made
// files in any form.
#pragma once

#include <zlib.h>

#include <string>

#include "tests/unit/image/pictures.h"

namespace pngfiles {

const std::string signature = pictures::bytes({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A});

inline std::string big32(uint32_t v) {
    return pictures::bytes({static_cast<int>(v >> 24), static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255),
                            static_cast<int>(v & 255)});
}

inline std::string chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return big32(static_cast<uint32_t>(data.size())) + body + big32(static_cast<uint32_t>(crc));
}

inline std::string header(uint32_t w, uint32_t h, int depth, int colourType, int interlace = 0) {
    return chunk("IHDR", big32(w) + big32(h) + pictures::bytes({depth, colourType, 0, 0, interlace}));
}

inline std::string deflateAll(const std::string& data, int level = 6) {
    uLongf n = compressBound(static_cast<uLong>(data.size()));
    std::string out(n, '\0');
    compress2(reinterpret_cast<Bytef*>(&out[0]), &n, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), level);
    return out.substr(0, n);
}

}  // namespace pngfiles
