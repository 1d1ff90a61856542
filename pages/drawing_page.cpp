#include "pages/drawing_page.h"

#include <cstdio>
#include <cstring>

#include "app/browser_launch.h"
#include "app/program_folder.h"
#include "app/warning.h"
#include "image/header_probe.h"
#include "pages/design.h"
#include "pages/builtin_painter.h"
#include "pages/html5_painter.h"
#include "pages/page_params.h"
#include "pages/playback.h"
#include "platform/text_ids.h"

namespace {

constexpr uint32_t smallestLayerCount = 2;
constexpr int32_t wholeWindow = -1;
constexpr uint16_t plainHttpPort = 80;
constexpr int spchLineCapacity = 511;
const char* const loadCopy = "_load.dat";

// Copies the picture to continue to copyName, replacing an older copy. The
// page names the copy whether or not this worked.
void copyPictureToContinue(const DrawingSetup& setup, const char* folder, const char* copyName) {
    TextBuffer target;
    folderFile(folder, copyName, target);
    platform::copyFile(setup.continuePath.text(), target.text());
}

void writeFormatted(FileHandle& file, const char* format, const char* value) {
    TextBuffer text(static_cast<int>(std::strlen(format) + std::strlen(value)));
    std::snprintf(text.data(), static_cast<size_t>(text.sizeWithTerminator()), format, value);
    file.writeText(text.text());
}

// WIDTH or HEIGHT of the applet tag.
void appletSize(int32_t field, int32_t automatic, char (&out)[16]) {
    if (field == wholeWindow)
        std::snprintf(out, sizeof out, "100%%");
    else
        std::snprintf(out, sizeof out, "%d", automatic);
}

void writeAppletTag(FileHandle& file, AppletKind kind, const DrawingSetup& setup, const char* folder) {
    const AppletEntry& entry = appletEntry(kind);
    char code[64];
    char archive[64];
    int version = kind == AppletKind::Poo ? oekakiVersion(folder) : 0;
    std::snprintf(code, sizeof code, entry.code, version);
    std::snprintf(archive, sizeof archive, entry.archive, version);
    char width[16];
    char height[16];
    appletSize(setup.appletWidth, autoAppletWidth(kind, setup.appletWidth, setup.imageWidth), width);
    appletSize(setup.appletHeight, autoAppletHeight(kind, setup.appletHeight, setup.imageHeight), height);
    file.writeText("\r\n<applet name=\"paintbbs\" code=\"");
    file.writeText(code);
    file.writeText("\" archive=\"");
    file.writeText(archive);
    file.writeText("\" width=\"");
    file.writeText(width);
    file.writeText("\" height=\"");
    file.writeText(height);
    file.writeText("\">\r\n");
}

}  // namespace

void writePainterParams(FileHandle& file, AppletKind kind, const DrawingSetup& setup, const char* folder,
                        const IniSection& design, PainterUse use) {
    bool shi = isShiPainter(kind);
    bool allInOne = kind == AppletKind::ShiPainterAllNormal || kind == AppletKind::ShiPainterAllPro;
    bool pro = kind == AppletKind::ShiPainterPro || kind == AppletKind::ShiPainterAllPro;
    writeParam(file, "header_magic", shi ? "S" : "P");
    if (shi) {
        writeParam(file, "dir_resource", "./res/");
        writeParam(file, "tt.zip", allInOne ? "tt_def.zip" : "./res/tt.zip");
        writeParam(file, "res.zip", allInOne ? "res.zip" : pro ? "./res/res_pro.zip" : "./res/res_normal.zip");
        writeParam(file, "tools", pro ? "pro" : "normal");
        writeParam(file, "quality", setup.quality + 1);
        writeParam(file, "layer_count", setup.layers < smallestLayerCount ? smallestLayerCount : setup.layers);
    }
    writeParam(file, "image_width", setup.imageWidth);
    writeParam(file, "image_height", setup.imageHeight);
    writeParam(file, "image_jpeg", "false");
    writeParam(file, "image_size", "0");
    writeParam(file, "poo", "false");
    writeParam(file, "send_advance", "true");
    writeParam(file, "send_language", "sjis");
    writeParam(file, "send_header_image_type", "false");
    writeParam(file, "send_header_timer", "false");
    writeParam(file, "send_header_count", "false");
    if (setup.animation) writeParam(file, "thumbnail_type", "animation");
    writeParam(file, "undo", setup.undo);
    writeParam(file, "undo_in_mg", setup.undoBatch);
    if (!setup.continuePath.isEmpty()) {
        const char* path = setup.continuePath.text();
        // The HTML5 painter reads a copy as an animation only by its name.
        bool html5Animation = use == PainterUse::html5Painter && isPainterAnimation(path);
        bool animation = html5Animation || isAnimationFileName(path) || isBuiltInRecord(path);
        const char* copy = html5Animation ? painterAnimationCopy : loadCopy;
        copyPictureToContinue(setup, folder, copy);
        writeParam(file, animation ? "pch_file" : "image_canvas", copy);
    }
    writeParam(file, "send_header", setup.animation ? "1" : "0");
    if (use != PainterUse::applet) writeParam(file, "url_save", painterSaveAddress);
    if (use == PainterUse::builtIn) writeTimelapseParams(file, setup.timelapse);
    writeDesignParams(file, kind, design);
}

void writePooParams(FileHandle& file, const DrawingSetup& setup, const char* folder, PainterUse use) {
    writeParam(file, "cgi", "getpic.cgi");
    writeParam(file, "type", "1");
    writeParam(file, "picw", setup.imageWidth);
    writeParam(file, "pich", setup.imageHeight);
    if (!setup.continuePath.isEmpty()) {
        copyPictureToContinue(setup, folder, loadCopy);
        writeParam(file, "image", loadCopy);
    }
    if (use == PainterUse::builtIn) {
        writeParam(file, "url_save", painterSaveAddress);
        writeTimelapseParams(file, setup.timelapse);
    }
}

bool writeDrawingPage(const DrawingSetup& setup, const char* folder, PainterUse use) {
    AppletKind kind;
    if (!appletKindOf(setup.kind, kind)) return false;
    TextBuffer path;
    folderFile(folder, "draw.html", path);
    FileHandle file;
    if (!file.createWrite(path.text())) return false;
    TextBuffer settingsFile;
    folderFile(folder, "set.ini", settingsFile);
    IniSection design(settingsFile.text(), "Design");
    // The palette scripts drive the applets; the built-in painter has its own.
    bool builtIn = use == PainterUse::builtIn;
    const PaletteEntry* palette = kind == AppletKind::Poo || builtIn ? nullptr : paletteScript(setup.palette);

    writeTextResource(file, IDR_DRAW_HEAD);
    if (builtIn) writeBuiltInPainterLink(file);
    if (use == PainterUse::html5Painter) writePainterLinks(file, folder);
    if (palette) writeFormatted(file, "<script type=\"text/javascript\" src=\"%s\"></script>\r\n", palette->script);
    TextBuffer colour;
    htmlColour(pageColour(design), colour);
    writeFormatted(file, "</head>\r\n<body text=\"black\" bgcolor=\"%s\">\r\n", colour.text());
    file.writeText("<table border=\"0\" cellspacing=\"6\" width=\"100%\" height=\"100%\"><tr>");
    file.writeText(setup.appletWidth == wholeWindow ? "<td width=\"100%\">" : "<td align=\"center\">");
    writeAppletTag(file, kind, setup, folder);
    if (kind == AppletKind::Poo)
        writePooParams(file, setup, folder, use);
    else
        writePainterParams(file, kind, setup, folder, design, use);
    file.writeText("</applet></td>\r\n");
    if (palette)
        writeFormatted(file, "<td><script type=\"text/javascript\">\r\n<!--\r\n%s\r\n//-->\r\n</script></td>",
                       palette->startCall);
    file.writeText("\r\n</tr></table>\r\n</body></html>");
    return file.close();
}

void followPictureToContinue(DrawingSetup& setup) {
    const char* path = setup.continuePath.text();
    TextBuffer extension;
    setup.continuePath.extension(extension);
    BuiltInRecordHeader record;
    if (readBuiltInRecordHeader(path, record)) {
        setup.imageWidth = record.width;
        setup.imageHeight = record.height;
        return;
    }
    if (extension.compareNoCase("spch") == 0) {
        readSpchHeader(path, spchLineCapacity, [&setup](const char* key, int32_t value) {
            TextBuffer name(key);
            if (name.compareNoCase("image_width") == 0) setup.imageWidth = static_cast<uint32_t>(value);
            else if (name.compareNoCase("image_height") == 0) setup.imageHeight = static_cast<uint32_t>(value);
            else if (name.compareNoCase("quality") == 0) setup.quality = value - 1;
        });
        return;
    }
    int32_t width = 0;
    int32_t height = 0;
    bool known = extension.compareNoCase("pch") == 0
                     ? painterAnimationSize(path, width, height) || pchSizeFromName(path, width, height)
                     : probeImageSize(path, width, height) && width > 0 && height > 0;
    if (!known) return;
    setup.imageWidth = static_cast<uint32_t>(width);
    setup.imageHeight = static_cast<uint32_t>(height);
}

bool prepareDrawing(const DrawingSetup& setup, const char* folder, platform::WindowRef owner) {
    TextBuffer warning;
    PainterUse use;
    if (!choosePainter(setup, folder, use, warning)) {
        showWarning(owner, warning.text());
        return false;
    }
    writeDrawingPage(setup, folder, use);
    return true;
}

void localPageAddress(uint16_t port, const char* page, TextBuffer& out) {
    out.assign("http://localhost");
    if (port != plainHttpPort) {
        char number[16];
        std::snprintf(number, sizeof number, ":%u", static_cast<unsigned>(port));
        out.append(number);
    }
    out.append("/");
    out.append(page);
}

void drawingPageAddress(uint16_t port, TextBuffer& out) { localPageAddress(port, "draw.html", out); }

bool startDrawing(const DrawingSetup& setup, const char* folder, uint16_t port, platform::WindowRef owner) {
    if (!prepareDrawing(setup, folder, owner)) return false;
    TextBuffer address;
    drawingPageAddress(port, address);
    TextBuffer settingsFile;
    folderFile(folder, "set.ini", settingsFile);
    return launchBrowser(owner, address.text(), settingsFile.text());
}
