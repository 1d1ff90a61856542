// The pages against their reference pages: draw.html of each applet kind and
// painter, anim.html of each kind of animation. Then draw.html's variations
// as table rows (the automatic applet sizes among them, with the smallest
// ones in the reference pages), the size of a picture to continue, the checks
// before drawing and the choice of the painter. The draw step with the
// browser is the end-to-end tests' part.
#include "pages/drawing_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "pages/playback.h"
#include "tests/support/temp_folder.h"

namespace {

// Compares page, a file of folder, with the reference page name in golden/.
// After a deliberate change of a page, rebuild them with
//   SKETCHHAVEN_REBUILD_GOLDEN=1 build/native/tests/unit/pages/page_tests
// and read the diff (and `tidy -q -e -shiftjis` on the pages) before committing.
void expectGolden(const TempFolder& folder, const std::string& page, const std::string& name) {
    const std::string path = hostDrive + SOURCE_DIR "/tests/unit/pages/golden/" + name;
    std::string written = folder.read(page);
    if (std::getenv("SKETCHHAVEN_REBUILD_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << written;
        return;
    }
    EXPECT_EQ(written, folder.read(path)) << name;
}

std::string param(const std::string& name, const std::string& value) {
    return "<param name=\"" + name + "\" value=\"" + value + "\">\r\n";
}

// One of the HTML5 painter's animations: "NEO ", width and height (300 x 300).
const std::string painterAnimation = "NEO \x2c\x01\x2c\x01strokes";
// A record of the built-in painter: "SKHV", version 1, 320 x 200, 3 layers.
const std::string builtInRecord = std::string("SKHV\x01\x00\x40\x01\xc8\x00\x03", 11) + "actions";

// A program folder and the set-up of one page; arrange changes both.
struct Drawing {
    TempFolder folder;
    DrawingSetup setup;
    PainterUse use = PainterUse::applet;
    std::string dir() const { return folder.path().string(); }
    void design(const std::string& lines) const { folder.write("set.ini", "[Design]\r\n" + lines); }
    void continueFrom(const std::string& name, const std::string& bytes) {
        folder.write(name, bytes);
        setup.continuePath.assign(folder.file(name).c_str());
    }
    std::string page() {
        EXPECT_TRUE(writeDrawingPage(setup, dir().c_str(), use));
        return folder.read("draw.html");
    }
};

using Arrange = std::function<void(Drawing&)>;

struct GoldenPage {
    const char* golden;
    Arrange arrange;
    const char* copy = nullptr;  // the copy of the file to continue, and what it must hold
    std::string copied = "";
};

// Writes anim.html of an animation file name (instead of draw.html).
Arrange animationPage(const char* name, uint32_t width, uint32_t height, uint32_t layers, bool progress,
                      PainterUse player) {
    return [=](Drawing& d) {
        ASSERT_TRUE(writeAnimationPage(d.dir().c_str(), name, width, height, layers, progress, player));
    };
}

const GoldenPage goldenPages[] = {
    {"paintbbs_wcs_palette.html", [](Drawing& d) { d.setup.palette = 1; }},
    {"paintbbs_every_design_colour.html",
     [](Drawing& d) {
         std::string lines = "color1=65280\r\n";
         for (int n = 2; n <= 17; ++n)  // red n, green 2n, blue 3n
             lines += "color" + std::to_string(n) + "=" + std::to_string(n | (2 * n) << 8 | (3 * n) << 16) + "\r\n";
         d.design(lines + "ScrollSize=12\r\n");
     }},
    {"shi_normal.html", [](Drawing& d) { d.setup.kind = 1; }},
    {"shi_pro.html", [](Drawing& d) { d.setup.kind = 2; }},
    {"shi_all_in_one_normal.html", [](Drawing& d) { d.setup.kind = 3; }},
    {"shi_all_in_one_pro.html", [](Drawing& d) { d.setup.kind = 4; }},
    {"poo_continued.html",
     [](Drawing& d) {
         d.folder.write("oekaki131.jar", "jar");
         d.setup.kind = 5;
         d.setup.palette = 1;  // the poo page never carries a palette
         d.continueFrom("start.png", "picture bytes");
     },
     "_load.dat", "picture bytes"},
    {"html5_painter_continued.html",
     [](Drawing& d) {
         d.folder.write("neo.js", "");
         d.folder.write("neo.css", "");
         d.use = PainterUse::html5Painter;
         d.continueFrom("own.pch", painterAnimation);
     },
     "_load.pch", painterAnimation},
    {"builtin_painter_continued.html",
     [](Drawing& d) {
         d.setup.palette = 1;  // the palette scripts drive applets only
         d.use = PainterUse::builtIn;
         d.continueFrom("own.dat", builtInRecord);
     },
     "_load.dat", builtInRecord},
    {"builtin_poo.html",
     [](Drawing& d) {
         d.setup.kind = 5;
         d.use = PainterUse::builtIn;
     }},
    {"anim_pch.html", animationPage("pic[x640y480].pch", 640, 480, 2, false, PainterUse::applet)},
    {"anim_spch_progress.html", animationPage("pic.SPCH", 400, 300, 5, true, PainterUse::applet)},
    {"anim_html5_painter.html", animationPage("own.pch", 320, 200, 2, false, PainterUse::html5Painter)},
    {"anim_builtin_painter.html", animationPage("own.pch", 320, 200, 3, true, PainterUse::builtIn)},
};

}  // namespace

TEST(GoldenPages, EachIsItsReferencePage) {
    for (const GoldenPage& g : goldenPages) {
        Drawing d;
        d.setup.palette = 0;
        d.setup.quality = 1;
        d.setup.layers = 3;
        g.arrange(d);
        bool animation = d.folder.exists("anim.html");
        if (!animation) d.page();
        expectGolden(d.folder, animation ? "anim.html" : "draw.html", g.golden);
        EXPECT_EQ(g.copy ? d.folder.read(g.copy) : "", g.copied) << g.golden;
        EXPECT_EQ(d.folder.exists("_load.dat") + d.folder.exists("_load.pch"), g.copy != nullptr) << g.golden;
    }
}

namespace {

struct Variation {
    const char* what;
    Arrange arrange;  // on PaintBBS without palette, at the defaults
    std::vector<std::string> present;
    std::vector<std::string> absent = {};
};

const std::string applet = "<applet name=\"paintbbs\" code=\"pbbs.PaintBBS.class\" archive=\"PaintBBS.jar\" ";

const Variation variations[] = {
    {"whole width, automatic height", [](Drawing& d) { d.setup.appletWidth = -1; },
     {"<td width=\"100%\">\r\n" + applet + "width=\"100%\" height=\"520\">"}},
    {"only the width chooses the cell",
     [](Drawing& d) {
         d.setup.appletWidth = 640;
         d.setup.appletHeight = -1;
     },
     {"<td align=\"center\">\r\n" + applet + "width=\"640\" height=\"100%\">"}},
    {"a picture larger than the smallest applet",
     [](Drawing& d) {
         d.setup.imageWidth = 401;
         d.setup.imageHeight = 800;
     },
     {"width=\"501\" height=\"920\">"}},
    {"widest picture", [](Drawing& d) { d.setup.imageWidth = 4294967295u; },
     {"width=\"2147483647\" height=\"520\">", param("image_width", "4294967295")}},
    {"animation off", [](Drawing& d) { d.setup.animation = false; },
     {param("undo_in_mg", "15") + param("send_header", "0")}, {"thumbnail_type"}},
    {"no palette selected", [](Drawing& d) { d.setup.palette = -1; }, {}, {"<script"}},
    {"Selfy palette", [](Drawing& d) { d.setup.palette = 2; },
     {"src=\"palette_selfy.js\"></script>\r\n</head>", "<!--\r\npalette_selfy();\r\n//-->"}},
    {"continued SPCH", [](Drawing& d) { d.continueFrom("pic.SPCH", "spch"); },
     {param("undo_in_mg", "15") + param("pch_file", "_load.dat") + param("send_header", "1")}},
    {"continued picture", [](Drawing& d) { d.continueFrom("pic.png", "png"); },
     {param("image_canvas", "_load.dat")}},
    {"Shi-Painter with fewer than two layers and a cursor name cut to 255 bytes",
     [](Drawing& d) {
         d.setup.kind = 1;
         d.setup.layers = 1;
         d.design("color2=255\r\nCursor=" + std::string(300, 'c') + "\r\n");
     },
     {param("layer_count", "2"), param("image_bkcolor", "#FF0000") + param("bar_size", "20") +
                                     param("cursor_1", std::string(255, 'c')) + "</applet>"}},
    {"design colours -1 and 0",
     [](Drawing& d) { d.design("color1=-1\r\ncolor3=0\r\ncolor4=-1\r\n"); },
     {"bgcolor=\"#FFDEAD\"", param("send_header", "1") + param("color_text", "#000000") + param("bar_size", "20")}},
    {"painter script without its style sheet",
     [](Drawing& d) {
         d.folder.write("neo.js", "");
         d.use = PainterUse::html5Painter;
     },
     {"</title>\r\n<script type=\"text/javascript\" src=\"neo.js\" charset=\"UTF-8\"></script>\r\n</head>",
      param("url_save", "save.cgi")},
     {"neo.css"}},
};

}  // namespace

TEST(DrawingPageVariations, EachChangeShowsWhereItBelongs) {
    for (const Variation& v : variations) {
        Drawing d;
        d.setup.palette = 0;
        v.arrange(d);
        std::string page = d.page();
        for (const std::string& text : v.present) EXPECT_NE(page.find(text), std::string::npos) << v.what << ": " << text;
        for (const std::string& text : v.absent) EXPECT_EQ(page.find(text), std::string::npos) << v.what << ": " << text;
    }
}

// Each row: the file to continue, its bytes, and the width, height and quality
// then set (the painter's own animation is continued end to end).
TEST(FollowPictureToContinue, SizesComeFromTheFileOrStay) {
    const std::tuple<const char*, std::string, uint32_t, uint32_t, int> cases[] = {
        {"anim.spch", "IMAGE_WIDTH=640\r\nimage_height=360\r\nquality=2\r\n\r\nimage_width=9\r\n", 640, 360, 1},
        {"tagged[x64y48].pch", "java", 64, 48, 0},
        {"notes.png", "no picture", 300, 300, 0},
        {"own.spch", builtInRecord, 320, 200, 0},  // the record's own header, whatever its name
    };
    for (const auto& [name, bytes, width, height, quality] : cases) {
        Drawing d;
        if (!bytes.empty()) d.folder.write(name, bytes);
        d.setup.continuePath.assign(d.folder.file(name).c_str());
        followPictureToContinue(d.setup);
        EXPECT_EQ(std::tuple(d.setup.imageWidth, d.setup.imageHeight, d.setup.quality), std::tuple(width, height, quality))
            << name;
    }
}

// Port 80 is left out, as people type it (the others are checked end to end).
TEST(LocalPageAddress, NamesNoPort80) {
    TextBuffer out;
    drawingPageAddress(80, out);
    EXPECT_STREQ(out.text(), "http://localhost/draw.html");
}

TEST(DrawingChecks, EachMissingFileIsNamed) {
    const std::tuple<int, int, std::vector<std::string>, std::string> cases[] = {
        {0, 0, {}, "PaintBBS.jarが見つかりません"},
        {4, 0, {}, "spainter_all.jarが見つかりません"},
        {5, 0, {}, "oekaki*.jarが見つかりません"},
        {0, 0, {"paintbbs.JAR"}, ""},  // found without regard to letter case
        {5, 0, {"oekaki99.jar"}, ""},
        {5, 0, {"oekaki132.jar"}, "oekaki132.jarには対応していません"},
        {5, 0, {"oekaki1329.jar"}, "oekaki132.jarには対応していません"},  // the version ends at the ninth character
        {5, 0, {"oekaki.jar"}, ""},
        {1, 1, {"spainter.jar"}, "palette.jsが見つかりません"},
        {1, 3, {"spainter.jar"}, "paletteHLS.jsが見つかりません"},
        {5, 1, {"oekaki131.jar"}, "palette.jsが見つかりません"},  // required though the page does not use it
        {5, 1, {"oekaki131.jar", "palette.js"}, ""},
        {1, 0, {"neo.js"}, "spainter.jarが見つかりません"},
        {-1, 0, {"PaintBBS.jar"}, "アプレットを選択してください"},
        {6, 0, {"PaintBBS.jar"}, "アプレットを選択してください"},
    };
    for (const auto& [kind, palette, files, expected] : cases) {
        Drawing d;
        d.setup.kind = kind;
        d.setup.palette = palette;
        for (const std::string& name : files) d.folder.write(name, "");
        TextBuffer warning;
        bool ok = checkDrawingFiles(d.setup, d.dir().c_str(), warning);
        EXPECT_EQ(ok ? std::string() : std::string(warning.text()), expected) << kind << " " << palette;
        if (expected.rfind("アプレット", 0) == 0) {
            EXPECT_FALSE(writeDrawingPage(d.setup, d.dir().c_str(), PainterUse::builtIn));
            EXPECT_FALSE(d.folder.exists("draw.html"));
        }
    }
}

// Each row: kind, palette, files of the folder, the built-in painter asked for, the
// file to continue (name and bytes), and the painter chosen or the warning.
TEST(PainterChoice, TheOutsidePainterWhenItsFilesAreThereAndAnAnimationsOwnPainter) {
    using Use = PainterUse;
    const std::string java = "java applet bytes";
    const std::string neoCannot = "HTML5版のPaintBBS（neo.js）は、Javaアプレットのアニメーション（PCH・SPCH）を再生できません。\n"
                                  "画像ファイルか、neo.jsで描いたアニメーションを指定してください。";
    const std::string neoNeeded =
        "neo.jsで描いたアニメーションの続きは、アプレットにPaintBBSを選び、neo.jsをプログラムのフォルダに置くと描けます。";
    const std::tuple<int, int, std::vector<std::string>, bool, std::string, std::string, Use, std::string> cases[] = {
        {0, 0, {}, false, "", "", Use::builtIn, ""},
        {0, 0, {"PaintBBS.jar"}, false, "", "", Use::applet, ""},
        {0, 0, {"PaintBBS.jar"}, true, "", "", Use::builtIn, ""},
        {0, 0, {"neo.js"}, false, "", "", Use::html5Painter, ""},
        {1, 0, {"neo.js"}, false, "", "", Use::builtIn, ""},  // neo.js stands in for PaintBBS only
        {0, 3, {"neo.js", "paletteHLS.js"}, true, "start.png", "png", Use::builtIn, ""},
        {5, 0, {"oekaki132.jar"}, false, "", "", Use::builtIn, ""},
        {3, 1, {"spainter_all.jar"}, false, "", "", Use::builtIn, ""},  // the palette script is missing
        {0, 0, {"neo.js", "PaintBBS.jar"}, false, "own.pch", builtInRecord, Use::builtIn, ""},
        {0, 0, {"neo.js"}, true, "neo.pch", painterAnimation, Use::html5Painter, ""},
        {0, 0, {"PaintBBS.jar"}, false, "neo.pch", painterAnimation, Use::builtIn, neoNeeded},
        {0, 0, {"PaintBBS.jar"}, true, "java.pch", java, Use::applet, ""},
        {0, 0, {"PaintBBS.jar", "neo.js"}, false, "java.pch", java, Use::builtIn, neoCannot},
        {1, 0, {}, false, "java.spch", java, Use::builtIn,
         "Javaアプレットのアニメーション（PCH・SPCH）の続きは、そのアプレットでしか描けません（spainter.jarが見つかりません）。\n"
         "画像ファイルか、内蔵ペインターで描いたアニメーションを指定してください。"},
        {-1, 0, {"PaintBBS.jar"}, false, "", "", Use::builtIn, "アプレットを選択してください"},
    };
    for (const auto& [kind, palette, files, builtIn, name, bytes, use, warning] : cases) {
        Drawing d;
        d.setup.kind = kind;
        d.setup.palette = palette;
        d.setup.builtInPainter = builtIn;
        for (const std::string& file : files) d.folder.write(file, "");
        if (!name.empty()) d.continueFrom(name, bytes);
        TextBuffer said;
        Use chosen = Use::builtIn;
        bool ok = choosePainter(d.setup, d.dir().c_str(), chosen, said);
        EXPECT_EQ(ok ? std::string() : std::string(said.text()), warning) << kind << " " << name;
        EXPECT_TRUE(!ok || chosen == use) << kind << " " << name;
    }
}
