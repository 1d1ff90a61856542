#include "pages/html5_painter.h"

#include <cstring>

#include "app/program_folder.h"
#include "pages/applets.h"
#include "pages/page_params.h"
#include "platform/byte_order.h"

const char* const painterScript = "neo.js";
const char* const painterSaveAddress = "save.cgi";
const char* const painterAnimationCopy = "_load.pch";

namespace {

const char* const painterStyle = "neo.css";
constexpr char animationMagic[] = "NEO ";
constexpr uint32_t animationMagicSize = 4;
constexpr uint32_t animationHeaderSize = 8;  // magic, width, height

// The first header bytes of an animation of the painter's; false for a file
// that is too short or begins otherwise.
bool readAnimationHeader(const char* path, unsigned char (&header)[animationHeaderSize]) {
    FileHandle file;
    return file.openRead(path) && file.read(header, animationHeaderSize) == animationHeaderSize &&
           std::memcmp(header, animationMagic, animationMagicSize) == 0;
}

}  // namespace

bool hasHtml5Painter(const char* folder) { return existsInFolder(folder, painterScript); }

bool drawsWithHtml5Painter(const DrawingSetup& setup, const char* folder) {
    return setup.kind == static_cast<int>(AppletKind::PaintBBS) && hasHtml5Painter(folder);
}

void writePainterLinks(FileHandle& file, const char* folder) {
    if (existsInFolder(folder, painterStyle))
        file.writeText("<link rel=\"stylesheet\" type=\"text/css\" href=\"neo.css\">\r\n");
    file.writeText("<script type=\"text/javascript\" src=\"neo.js\" charset=\"UTF-8\"></script>\r\n");
}

bool isPainterAnimation(const char* path) {
    unsigned char header[animationHeaderSize];
    return readAnimationHeader(path, header);
}

bool painterAnimationSize(const char* path, int32_t& width, int32_t& height) {
    unsigned char header[animationHeaderSize];
    if (!readAnimationHeader(path, header)) return false;
    width = static_cast<int32_t>(bytes::little16(header + 4));
    height = static_cast<int32_t>(bytes::little16(header + 6));
    return true;
}
