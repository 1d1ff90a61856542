#include "pages/applets.h"

#include "app/decimal.h"
#include "app/file_handle.h"
#include "app/program_folder.h"
#include "pages/html5_painter.h"
#include "pages/page_params.h"

const AppletEntry appletEntries[appletKindCount] = {
    {"PaintBBS", "pbbs.PaintBBS.class", "PaintBBS.jar", "PaintBBS.jar", 500, 520, 100, 120},
    {"しぃペインター（標準）", "c.ShiPainter.class", "spainter.jar,res/normal.zip", "spainter.jar", 540, 500, 100, 120},
    {"しぃペインター（プロ）", "c.ShiPainter.class", "spainter.jar,res/pro.zip", "spainter.jar", 700, 550, 100, 120},
    {"しぃペインター（標準）/ｵｰﾙｲﾝﾜﾝ", "c.ShiPainter.class", "spainter_all.jar", "spainter_all.jar", 540, 500, 100, 120},
    {"しぃペインター（プロ）/ｵｰﾙｲﾝﾜﾝ", "c.ShiPainter.class", "spainter_all.jar", "spainter_all.jar", 700, 550, 100, 120},
    {"pooアプレット（旧バージョン）", "oekaki%d.class", "oekaki%d.jar", "oekaki*.jar", 500, 550, 200, 250},
};

const PaletteEntry paletteEntries[paletteCount] = {
    {"使用しない", nullptr, nullptr},
    {"WCS動的パレット", "palette.js", "PaletteInit();"},
    {"Palette-Selfy(Vuremoパレット)", "palette_selfy.js", "palette_selfy();"},
    {"HLSカラーパレット", "paletteHLS.js", "PaletteInit();"},
};

const char* const qualityLabels[qualityCount] = {"1 （通常）", "2 （2倍）", "3 （3倍）", "4 （4倍）"};

namespace {

constexpr int unsupportedPooVersion = 132;
constexpr int oekakiNameCut = 9;
constexpr int oekakiVersionStart = 6;

int32_t autoSize(int32_t requested, uint32_t image, int32_t margin, int32_t smallest) {
    if (requested != 0) return requested;
    int64_t size = int64_t{image} + margin;
    if (size > INT32_MAX) return INT32_MAX;
    return size < smallest ? smallest : static_cast<int32_t>(size);
}

void notFound(const char* name, TextBuffer& warning) {
    warning.assign(name);
    warning.append("が見つかりません");
}

}  // namespace

bool appletKindOf(int selection, AppletKind& kind) {
    if (selection < 0 || selection >= appletKindCount) return false;
    kind = static_cast<AppletKind>(selection);
    return true;
}

const AppletEntry& appletEntry(AppletKind kind) { return appletEntries[static_cast<int>(kind)]; }

bool isShiPainter(AppletKind kind) { return kind != AppletKind::PaintBBS && kind != AppletKind::Poo; }

const PaletteEntry* paletteScript(int selection) {
    return selection >= 1 && selection < paletteCount ? &paletteEntries[selection] : nullptr;
}

int32_t autoAppletWidth(AppletKind kind, int32_t requested, uint32_t imageWidth) {
    const AppletEntry& e = appletEntry(kind);
    return autoSize(requested, imageWidth, e.widthMargin, e.smallestWidth);
}

int32_t autoAppletHeight(AppletKind kind, int32_t requested, uint32_t imageHeight) {
    const AppletEntry& e = appletEntry(kind);
    return autoSize(requested, imageHeight, e.heightMargin, e.smallestHeight);
}

int oekakiVersion(const char* folder) {
    TextBuffer pattern;
    folderFile(folder, appletEntry(AppletKind::Poo).requiredFile, pattern);
    FileFinder finder;
    if (!finder.first(pattern.text())) return -1;
    TextBuffer name;
    finder.name(name);
    name.setCharAt(oekakiNameCut, '\0');
    if (name.length() <= oekakiVersionStart) return 0;
    return static_cast<int>(decimal::digitsValue(name.text() + oekakiVersionStart));
}

bool checkDrawingFiles(const DrawingSetup& setup, const char* folder, TextBuffer& warning) {
    AppletKind kind;
    if (!appletKindOf(setup.kind, kind)) {
        warning.assign("アプレットを選択してください");
        return false;
    }
    const char* archive = appletEntry(kind).requiredFile;
    bool painter = drawsWithHtml5Painter(setup, folder);
    if (!painter && !existsInFolder(folder, archive)) {
        notFound(archive, warning);
        return false;
    }
    if (kind == AppletKind::Poo && oekakiVersion(folder) == unsupportedPooVersion) {
        warning.assign("oekaki132.jarには対応していません");
        return false;
    }
    const PaletteEntry* palette = paletteScript(setup.palette);
    if (palette && !existsInFolder(folder, palette->script)) {
        notFound(palette->script, warning);
        return false;
    }
    return true;
}
