#include "pages/html5_painter.h"

#include "pages/applets.h"
#include "pages/page_params.h"

const char* const painterScript = "neo.js";
const char* const painterSaveAddress = "save.cgi";
const char* const painterAnimationCopy = "_load.pch";

namespace {

const char* const painterStyle = "neo.css";
constexpr char animationMagic[4] = {'N', 'E', 'O', ' '};
constexpr uint32_t animationHeaderSize = 8;  // magic, width, height

bool existsIn(const char* folder, const char* name) {
    TextBuffer path;
    folderFile(folder, name, path);
    return fileExists(path.text());
}

// The first header bytes of an animation of the painter's; false for a file
// that is too short or begins otherwise.
bool readAnimationHeader(const char* path, unsigned char (&header)[animationHeaderSize]) {
    FileHandle file;
    if (!file.openRead(path) || file.read(header, animationHeaderSize) != animationHeaderSize) return false;
    for (uint32_t i = 0; i < sizeof animationMagic; ++i) {
        if (header[i] != static_cast<unsigned char>(animationMagic[i])) return false;
    }
    return true;
}

}  // namespace

bool hasHtml5Painter(const char* folder) { return existsIn(folder, painterScript); }

bool drawsWithHtml5Painter(const DrawingSetup& setup, const char* folder) {
    return setup.kind == static_cast<int>(AppletKind::PaintBBS) && hasHtml5Painter(folder);
}

void writePainterLinks(FileHandle& file, const char* folder) {
    if (existsIn(folder, painterStyle))
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
    width = header[4] | header[5] << 8;
    height = header[6] | header[7] << 8;
    return true;
}
