#include "pages/playback.h"

#include <cstdio>
#include <cstring>

#include "app/browser_launch.h"
#include "app/dbcs.h"
#include "app/decimal.h"
#include "app/file_handle.h"
#include "app/program_folder.h"
#include "app/warning.h"
#include "pages/drawing_page.h"
#include "pages/builtin_painter.h"
#include "pages/html5_painter.h"
#include "pages/page_params.h"
#include "platform/text_ids.h"

namespace {

constexpr int largestLineCapacity = 4096;
constexpr int headerLineLimit = 65536;  // more lines than any header holds
constexpr int32_t defaultAnimationSide = 300;
constexpr int32_t defaultAnimationLayers = 2;
constexpr uint32_t progressBarHeight = 26;
constexpr int spchLineCapacity = 255;
const char* const animationCopy = "_load.dat";
const char* const viewerScriptLine = "<script type=\"text/javascript\" src=\"animex.js\"></script>\r\n";
const char* const viewerArchive = "PCHViewer.jar";
const char* const html5RecordNeedsPainter =
    "neo.jsで描いたアニメーションの再生には、neo.jsをプログラムのフォルダに置いてください。";
const char* const viewerMissing =
    "PCHViewer.jarが見つかりません。\nJavaアプレットのアニメーション（PCH・SPCH）は、PCHViewer.jarとanimex.jsで再生します。";

bool hasExtension(const char* path, const char* wanted) {
    TextBuffer text(path);
    TextBuffer extension;
    text.extension(extension);
    return extension.compareNoCase(wanted) == 0;
}

// Writes text as the inside of a single-quoted script string: a quote, a
// backslash and a line break get a backslash escape; everything else, the
// double-byte characters whole, as it stands.
void writeScriptString(FileHandle& file, const char* text) {
    int n = static_cast<int>(std::strlen(text));
    int start = 0;
    for (int i = 0; i < n; i = dbcs::nextIndex(text, i)) {
        const char* escape = nullptr;
        switch (text[i]) {
        case '\'': escape = "\\'"; break;
        case '\\': escape = "\\\\"; break;
        case '\n': escape = "\\n"; break;
        case '\r': escape = "\\r"; break;
        default: continue;
        }
        file.write(text + start, static_cast<uint32_t>(i - start));
        file.writeText(escape);
        start = i + 1;
    }
    file.write(text + start, static_cast<uint32_t>(n - start));
}

}  // namespace

bool isAnimationFileName(const char* path) { return hasExtension(path, "pch") || hasExtension(path, "spch"); }

bool pchSizeFromName(const char* path, int32_t& width, int32_t& height) {
    int open = dbcs::findLast(path, '[');
    if (open < 0) return false;
    const char* tag = path + open;
    if (tag[1] != 'x') return false;
    int32_t w = -1, h = -1;
    decimal::scanPair(tag + 2, 'y', w, h);
    if (w == -1 || h == -1) return false;
    width = w;
    height = h;
    return true;
}

bool readSpchHeader(const char* path, int lineCapacity, const SpchEntryHandler& onEntry) {
    if (lineCapacity < 1 || lineCapacity > largestLineCapacity) return false;
    FileHandle file;
    if (!file.openRead(path)) return false;
    TextBuffer line(lineCapacity);
    for (int count = 0; count < headerLineLimit; ++count) {
        if (file.readLine(line.data(), lineCapacity, true) == 0) break;
        int equals = line.find(0, '=');
        if (equals < 0) break;
        line.setCharAt(equals, '\0');
        onEntry(line.text(), decimal::valueOf(line.text() + equals + 1));
    }
    return true;
}

void readAnimationSize(const char* path, int32_t& width, int32_t& height, int32_t& layers) {
    width = defaultAnimationSide;
    height = defaultAnimationSide;
    layers = defaultAnimationLayers;
    BuiltInRecordHeader record;
    if (readBuiltInRecordHeader(path, record)) {
        width = static_cast<int32_t>(record.width);
        height = static_cast<int32_t>(record.height);
        layers = static_cast<int32_t>(record.layers);
        return;
    }
    if (hasExtension(path, "pch")) {
        if (!painterAnimationSize(path, width, height)) pchSizeFromName(path, width, height);
        return;
    }
    readSpchHeader(path, spchLineCapacity, [&](const char* key, int32_t value) {
        TextBuffer name(key);
        if (name.compareNoCase("image_width") == 0) width = value;
        else if (name.compareNoCase("image_height") == 0) height = value;
        else if (name.compareNoCase("layer_max") == 0) layers = value;
    });
}

bool writeAnimationPage(const char* folder, const char* fileName, uint32_t width, uint32_t height,
                        uint32_t layers, bool progress, PainterUse player) {
    TextBuffer path;
    folderFile(folder, "anim.html", path);
    FileHandle file;
    if (!file.createWrite(path.text())) return false;
    // A painter replays by itself: the Java viewer's script is left out.
    bool painter = player != PainterUse::applet;
    writeTextResource(file, IDR_ANIM_HEAD, painter ? viewerScriptLine : nullptr);
    writeScriptString(file, fileName);
    char text[160];
    std::snprintf(text, sizeof text, "';\r\nvar lcount=%u;\r\n//-->\r\n</script>", layers);
    file.writeText(text);
    file.writeText("\r\n");
    if (player == PainterUse::html5Painter) writePainterLinks(file, folder);
    if (player == PainterUse::builtIn) writeBuiltInPainterLink(file);
    file.writeText("</head>\r\n<body bgcolor=\"#e9f4fb\" text=\"black\">\r\n<basefont size=\"2\">\r\n");
    uint64_t tagHeight = uint64_t{height} + (progress ? progressBarHeight : 0);
    std::snprintf(text, sizeof text,
                  "<applet code=\"pch%s.PCHViewer.class\" archive=\"PCHViewer.jar\" name=\"pch\" width=\"%u\" "
                  "height=\"%llu\">\r\n",
                  hasExtension(fileName, "spch") ? "2" : "", width, static_cast<unsigned long long>(tagHeight));
    file.writeText(text);
    writeParam(file, "dir_resource", "./res/");
    writeParam(file, "res.zip", "./res/res.zip");
    writeParam(file, "tt.zip", "./res/tt.zip");
    writeParam(file, "pch_file", player == PainterUse::html5Painter ? painterAnimationCopy : animationCopy);
    writeParam(file, "image_width", width);
    writeParam(file, "image_height", height);
    writeParam(file, "speed", 5);
    writeParam(file, "run", "true");
    writeParam(file, "buffer_canvas", "false");
    writeParam(file, "progress", progress ? "true" : "false");
    file.writeText(painter ? "</applet>\r\n</body></html>"
                           : "</applet>\r\n<script type=\"text/javascript\">\r\n<!--\r\ninit();\r\n//-->\r\n</script></body></html>");
    return file.close();
}

void animationPageAddress(const char* folder, TextBuffer& out) {
    TextBuffer path;
    folderFile(folder, "anim.html", path);
    // A POSIX folder starts with its own /, which takes the place of the third.
    out.assign(path.text()[0] == '/' ? "file://" : "file:///");
    out.append(path.text());
    char* text = out.data();
    for (int i = 0; text[i]; i = dbcs::nextIndex(text, i)) {
        if (text[i] == '\\') text[i] = '/';
    }
}

PlaybackRequest playbackRequestOf(const char* path, bool progress, uint16_t port) {
    int32_t width = 0, height = 0, layers = 0;
    readAnimationSize(path, width, height, layers);
    return PlaybackRequest{path, static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                           static_cast<uint32_t>(layers), progress, port};
}

bool preparePlayback(const PlaybackRequest& request, const char* folder, PainterUse& player, TextBuffer& warning) {
    if (!request.path || !*request.path) {
        warning.assign("ファイル名を指定してください");
        return false;
    }
    // Each animation goes to the player of the painter that recorded it; the
    // canvas of a painter's own is the size its animation records, whatever
    // the fields say.
    int32_t width = static_cast<int32_t>(request.width);
    int32_t height = static_cast<int32_t>(request.height);
    uint32_t layers = request.layers;
    player = PainterUse::applet;
    BuiltInRecordHeader record;
    if (readBuiltInRecordHeader(request.path, record)) {
        player = PainterUse::builtIn;
        width = static_cast<int32_t>(record.width);
        height = static_cast<int32_t>(record.height);
        layers = record.layers;
    } else if (isPainterAnimation(request.path)) {
        if (!hasHtml5Painter(folder)) {
            warning.assign(html5RecordNeedsPainter);
            return false;
        }
        player = PainterUse::html5Painter;
        painterAnimationSize(request.path, width, height);
    } else if (!existsInFolder(folder, viewerArchive)) {
        warning.assign(viewerMissing);
        return false;
    }
    TextBuffer path(request.path);
    TextBuffer fileName;
    path.fileNamePart(fileName);
    writeAnimationPage(folder, fileName.text(), static_cast<uint32_t>(width), static_cast<uint32_t>(height), layers,
                       request.progress, player);
    TextBuffer copy;
    folderFile(folder, player == PainterUse::html5Painter ? painterAnimationCopy : animationCopy, copy);
    platform::copyFile(request.path, copy.text());
    return true;
}

bool playAnimation(const PlaybackRequest& request, const char* folder, platform::WindowRef owner) {
    PainterUse player;
    TextBuffer warning(longTextCapacity);
    if (!preparePlayback(request, folder, player, warning)) {
        showWarning(owner, warning.text());
        return false;
    }
    // The painters fetch their animations, so their pages are served, not
    // opened as files.
    TextBuffer address;
    if (player == PainterUse::applet)
        animationPageAddress(folder, address);
    else
        localPageAddress(request.port, "anim.html", address);
    TextBuffer settingsFile;
    folderFile(folder, "set.ini", settingsFile);
    return launchBrowser(owner, address.text(), settingsFile.text());
}
