// The picture loaders behind loadAny: the system's own on Windows (under
// Wine), the stand-ins natively, on the same files and expectations.
#include "image/raster_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

#include "image/header_probe.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/image/pictures.h"

namespace {

std::string fixture(const std::string& name) { return hostDrive + FIXTURE_DIR "/" + name; }

}  // namespace

// Each form made by ImageMagick loads to ImageMagick's own pixels, and the
// header probe reads its size. Lossless forms match exactly; 16-bit channels
// may round either way when widened (the system loader under Wine may also
// drop the low bits); JPEG decoders may round their own way (the files are
// stored without chroma subsampling, whose upsampling differs between
// decoders), so those are held to a small mean and largest difference.
TEST(LoadAny, FilesMadeByImageMagick) {
    TempFolder folder;
#ifdef _WIN32
    const int sixteen = 7;
#else
    const int sixteen = 1;
#endif
    const std::tuple<const char*, int, int> cases[] = {
        {"palette8.bmp", 0, 0},   {"palette4.bmp", 0, 0},    {"mono.bmp", 0, 0},       {"rle8.bmp", 0, 0},
        {"rgb24.bmp", 0, 0},      {"rgb32.bmp", 0, 0},       {"rgb565.bmp", sixteen, sixteen}, {"rgb555.bmp", sixteen, sixteen},
        {"transparent.gif", 0, 0}, {"plain87.gif", 0, 0},    {"interlaced.gif", 0, 0}, {"palette.png", 0, 0},
        {"progressive.jpg", 48, 3}, {"baseline.jpg", 48, 3}};
    const auto le32 = [](size_t v) { return pictures::bytes({int(v & 255), int(v >> 8 & 255), int(v >> 16 & 255), int(v >> 24)}); };
    for (const auto& [name, worst, mean] : cases) {
        const std::string theirs = folder.read(fixture(name) + ".rgb");
        std::vector<std::string> paths = {fixture(name)};
        if (name[3] == '5') {
            // The same 16-bit pixels behind a 40-byte header, with the 5-6-5
            // masks after it or with none (5-5-5 implied); rows carry padding.
            const std::string v5 = folder.read(fixture(name));
            ASSERT_EQ(v5.substr(28, 2), std::string("\x10\0", 2));
            const size_t offset = name[4] == '6' ? 66 : 54;
            std::string file = v5.substr(0, offset) + v5.substr(static_cast<uint8_t>(v5[10]) | static_cast<uint8_t>(v5[11]) << 8);
            file.replace(2, 4, le32(file.size()));
            file.replace(10, 8, le32(offset) + le32(40));
            if (offset == 54) file.replace(30, 4, le32(0));
            folder.write(name, file);
            paths.push_back(folder.file(name));
        }
        for (const std::string& path : paths) {
            RasterImage image;
            ASSERT_TRUE(image.loadAny(path.c_str())) << path;
            ASSERT_TRUE(image.bytesPerPixel() == 3 && image.width() == 13 && image.height() == 7) << path;
            const std::string ours = pictures::rgbOf(image);
            ASSERT_EQ(theirs.size(), ours.size()) << path;
            int largest = 0, sum = 0;
            for (size_t i = 0; i < ours.size(); ++i) {
                const int d = std::abs(static_cast<uint8_t>(ours[i]) - static_cast<uint8_t>(theirs[i]));
                largest = std::max(largest, d);
                sum += d;
            }
            EXPECT_LE(largest, worst) << path;
            EXPECT_LE(sum, mean * static_cast<int>(ours.size())) << path;
            int32_t w = -1, h = -1;
            EXPECT_TRUE(probeImageSize(path.c_str(), w, h) && w == 13 && h == 7) << path;
        }
    }
}

// The first bytes pick the loader: files that only begin like a picture, or
// like none, are refused and leave the image empty.
TEST(LoadAny, RefusesWhatIsNotAPicture) {
    TempFolder folder;
    const std::string bmp = folder.read(fixture("rgb24.bmp"));
    const std::string refused[] = {
        "", "BM", "GIF89a\1\0", "hello world, not a picture",
        std::string("\x89PNG\r\n\x1a\x0b", 8) + bmp,
        std::string("\xff\xd8\xff\xe1\x00\x10JFIF\0", 11) + bmp,
        std::string("\xff\xd8\xff\xe0\x00\x11JFIF\0", 11) + bmp,
        "BM" + std::string(60, '\0'), "GIF89a" + std::string(40, '\x01'),
        std::string("\xff\xd8\xff\xe0\x00\x10JFIF\0", 11) + std::string(40, '\0'),
    };
    RasterImage image;
    for (const std::string& bytes : refused) {
        ASSERT_TRUE(image.create(2, 2));
        folder.write("x.bin", bytes);
        EXPECT_FALSE(image.loadAny("x.bin")) << bytes.size();
        EXPECT_TRUE(image.isEmpty());
    }
    EXPECT_FALSE(image.loadAny("missing.png"));
}
