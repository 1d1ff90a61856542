#include "pages/painter_choice.h"

#include <cstdio>

#include "pages/applets.h"
#include "pages/builtin_painter.h"
#include "pages/html5_painter.h"
#include "pages/playback.h"

namespace {

const char* const html5CannotContinueJava =
    "HTML5版のPaintBBS（neo.js）は、Javaアプレットのアニメーション（PCH・SPCH）を再生できません。\n"
    "画像ファイルか、neo.jsで描いたアニメーションを指定してください。";
const char* const javaNeedsApplet = "Javaアプレットのアニメーション（PCH・SPCH）の続きは、そのアプレットでしか描けません（";
const char* const javaNeedsAppletEnd =
    "）。\n画像ファイルか、内蔵ペインターで描いたアニメーションを指定してください。";
const char* const html5RecordNeedsPainter =
    "neo.jsで描いたアニメーションの続きは、アプレットにPaintBBSを選び、neo.jsをプログラムのフォルダに置くと描けます。";

}  // namespace

bool choosePainter(const DrawingSetup& setup, const char* folder, PainterUse& use, TextBuffer& warning) {
    AppletKind kind;
    if (!appletKindOf(setup.kind, kind)) {
        warning.assign("アプレットを選択してください");
        return false;
    }
    const char* path = setup.continuePath.text();
    bool continuing = !setup.continuePath.isEmpty();
    if (continuing && isBuiltInRecord(path)) {
        use = PainterUse::builtIn;
        return true;
    }
    TextBuffer missing;
    bool outsideReady = checkDrawingFiles(setup, folder, missing);
    bool html5 = drawsWithHtml5Painter(setup, folder);
    if (continuing && isPainterAnimation(path)) {
        if (html5 && outsideReady) {
            use = PainterUse::html5Painter;
            return true;
        }
        warning.assign(html5RecordNeedsPainter);
        return false;
    }
    if (continuing && isAnimationFileName(path)) {
        if (!html5 && outsideReady) {
            use = PainterUse::applet;
            return true;
        }
        if (html5) {
            warning.assign(html5CannotContinueJava);
            return false;
        }
        warning.assign(javaNeedsApplet);
        warning.append(missing.text());
        warning.append(javaNeedsAppletEnd);
        return false;
    }
    if (setup.builtInPainter || !outsideReady)
        use = PainterUse::builtIn;
    else
        use = html5 ? PainterUse::html5Painter : PainterUse::applet;
    return true;
}

void painterName(PainterUse use, const DrawingSetup& setup, const char* folder, TextBuffer& out) {
    switch (use) {
    case PainterUse::builtIn: out.assign("内蔵ペインター"); return;
    case PainterUse::html5Painter: out.assign("PaintBBS NEO（neo.js）"); return;
    case PainterUse::applet: break;
    }
    AppletKind kind;
    if (!appletKindOf(setup.kind, kind)) kind = AppletKind::PaintBBS;
    char archive[32];
    std::snprintf(archive, sizeof archive, "oekaki%d.jar", oekakiVersion(folder));
    out.assign("Javaアプレット（");
    out.append(kind == AppletKind::Poo ? archive : appletEntry(kind).requiredFile);
    out.append("）");
}
