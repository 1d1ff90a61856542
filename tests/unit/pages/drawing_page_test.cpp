// draw.html byte for byte for every applet kind and the edge cases of the
// page, the design colours, and the checks before drawing.
#include "pages/drawing_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "pages/design.h"
#include "pages/page_params.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/pages/page_expectations.h"
#include "tests/unit/pages/tidy.h"
#include "tests/unit/pages/stand_in_browser.h"
#ifndef _WIN32
#include "platform/posix/scripted_answers.h"
#endif

using pagetext::param;

namespace {

class DrawingPageTest : public ::testing::Test {
protected:
    std::string dir() const { return folder.path().string(); }
    std::string page() {
        EXPECT_TRUE(writeDrawingPage(setup, dir().c_str()));
        return folder.read("draw.html");
    }
    void design(const std::string& lines) { folder.write("set.ini", "[Design]\r\n" + lines); }

    TempFolder folder;
    DrawingSetup setup;
};

std::string paintBbsRows(bool animation = true) {
    return param("header_magic", "P") + pagetext::imageAndSendRows("300", "300") +
           (animation ? param("thumbnail_type", "animation") : "") + param("undo", "90") +
           param("undo_in_mg", "15");
}

std::string paintBbsPage(const std::string& params) {
    pagetext::DrawingPage p;
    p.code = "pbbs.PaintBBS.class";
    p.archive = "PaintBBS.jar";
    p.width = "500";
    p.height = "520";
    p.params = params;
    return pagetext::drawingPage(p);
}

}  // namespace

TEST_F(DrawingPageTest, PaintBbsWithTheWcsPaletteAtDefaults) {
    setup.kind = 0;
    setup.palette = 1;
    pagetext::DrawingPage p;
    p.script = "palette.js";
    p.code = "pbbs.PaintBBS.class";
    p.archive = "PaintBBS.jar";
    p.width = "500";
    p.height = "520";
    p.params = paintBbsRows() + param("send_header", "1") + param("bar_size", "20");
    p.startCall = "PaletteInit();";
    EXPECT_EQ(page(), pagetext::drawingPage(p));
}

TEST_F(DrawingPageTest, EachPaletteHasItsScriptAndStartCall) {
    setup.palette = 2;
    std::string selfy = page();
    EXPECT_NE(selfy.find("<script type=\"text/javascript\" src=\"palette_selfy.js\"></script>\r\n</head>"), std::string::npos);
    EXPECT_NE(selfy.find("<!--\r\npalette_selfy();\r\n//-->"), std::string::npos);
    setup.palette = 3;
    std::string hls = page();
    EXPECT_NE(hls.find("src=\"paletteHLS.js\""), std::string::npos);
    EXPECT_NE(hls.find("<!--\r\nPaletteInit();\r\n//-->"), std::string::npos);
    setup.palette = 0;
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows() + param("send_header", "1") + param("bar_size", "20")));
    setup.palette = -1;
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows() + param("send_header", "1") + param("bar_size", "20")));
}

struct ShiKind {
    int kind;
    const char* archive;
    const char* ttZip;
    const char* resZip;
    const char* tools;
    const char* width;
    const char* height;
};

class ShiPainterPage : public DrawingPageTest, public ::testing::WithParamInterface<ShiKind> {};

TEST_P(ShiPainterPage, CarriesTheFamilyRows) {
    const ShiKind& k = GetParam();
    setup.kind = k.kind;
    setup.palette = 0;
    setup.quality = 1;
    setup.layers = 3;
    pagetext::DrawingPage p;
    p.code = "c.ShiPainter.class";
    p.archive = k.archive;
    p.width = k.width;
    p.height = k.height;
    p.params = param("header_magic", "S") + param("dir_resource", "./res/") + param("tt.zip", k.ttZip) +
               param("res.zip", k.resZip) + param("tools", k.tools) + param("quality", "2") +
               param("layer_count", "3") + pagetext::imageAndSendRows("300", "300") +
               param("thumbnail_type", "animation") + param("undo", "90") + param("undo_in_mg", "15") +
               param("send_header", "1") + param("bar_size", "20");
    EXPECT_EQ(page(), pagetext::drawingPage(p));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ShiPainterPage,
    ::testing::Values(ShiKind{1, "spainter.jar,res/normal.zip", "./res/tt.zip", "./res/res_normal.zip", "normal", "540", "500"},
                      ShiKind{2, "spainter.jar,res/pro.zip", "./res/tt.zip", "./res/res_pro.zip", "pro", "700", "550"},
                      ShiKind{3, "spainter_all.jar", "tt_def.zip", "res.zip", "normal", "540", "500"},
                      ShiKind{4, "spainter_all.jar", "tt_def.zip", "res.zip", "pro", "700", "550"}),
    [](const ::testing::TestParamInfo<ShiKind>& kindInfo) { return "kind" + std::to_string(kindInfo.param.kind); });

TEST_F(DrawingPageTest, PooWithAndWithoutAPictureToContinue) {
    folder.write("oekaki131.jar", "jar");
    folder.write("start.png", "picture bytes");
    setup.kind = 5;
    setup.palette = 1;  // the poo page never carries a palette
    pagetext::DrawingPage p;
    p.code = "oekaki131.class";
    p.archive = "oekaki131.jar";
    p.width = "500";   // 300 + 200 < 500
    p.height = "550";  // 300 + 250 = 550
    p.params = param("cgi", "getpic.cgi") + param("type", "1") + param("picw", "300") + param("pich", "300");
    EXPECT_EQ(page(), pagetext::drawingPage(p));
    EXPECT_FALSE(folder.exists("_load.dat"));

    setup.continuePath.assign(folder.file("start.png").c_str());
    p.params += param("image", "_load.dat");
    EXPECT_EQ(page(), pagetext::drawingPage(p));
    EXPECT_EQ(folder.read("_load.dat"), "picture bytes");
}

TEST_F(DrawingPageTest, AppletSizeFields) {
    std::string rows = paintBbsRows() + param("send_header", "1") + param("bar_size", "20");
    setup.palette = 0;
    pagetext::DrawingPage p;
    p.code = "pbbs.PaintBBS.class";
    p.archive = "PaintBBS.jar";
    p.params = rows;

    setup.appletWidth = -1;
    setup.appletHeight = -1;
    p.wideCell = true;
    p.width = "100%";
    p.height = "100%";
    EXPECT_EQ(page(), pagetext::drawingPage(p));

    setup.appletHeight = 0;
    p.height = "520";
    EXPECT_EQ(page(), pagetext::drawingPage(p));

    setup.appletWidth = 0;
    setup.appletHeight = 450;
    p.wideCell = false;
    p.width = "500";
    p.height = "450";
    EXPECT_EQ(page(), pagetext::drawingPage(p));

    setup.appletWidth = 640;
    setup.appletHeight = -1;  // only the width field chooses the cell
    p.width = "640";
    p.height = "100%";
    EXPECT_EQ(page(), pagetext::drawingPage(p));
}

TEST_F(DrawingPageTest, LayerCountIsAtLeastTwoAndPaintBbsHasNoFamilyRows) {
    setup.kind = 2;
    for (uint32_t layers : {0u, 1u}) {
        setup.layers = layers;
        std::string text = page();
        EXPECT_NE(text.find(param("layer_count", "2")), std::string::npos) << layers;
    }
    setup.kind = 0;
    std::string text = page();
    for (const char* name : {"layer_count", "quality", "tools", "tt.zip", "res.zip", "dir_resource"})
        EXPECT_EQ(text.find("name=\"" + std::string(name) + "\""), std::string::npos) << name;
}

TEST_F(DrawingPageTest, AnimationOff) {
    setup.palette = 0;
    setup.animation = false;
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows(false) + param("send_header", "0") + param("bar_size", "20")));
}

TEST_F(DrawingPageTest, TheContinuedPictureIsCopiedAndNamedByItsKind) {
    folder.write("pic.SPCH", "spch bytes");
    folder.write("pic.png", "png bytes");
    setup.palette = 0;
    setup.continuePath.assign(folder.file("pic.SPCH").c_str());
    std::string tail = param("send_header", "1") + param("bar_size", "20");
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows() + param("pch_file", "_load.dat") + tail));
    EXPECT_EQ(folder.read("_load.dat"), "spch bytes");
    setup.continuePath.assign(folder.file("pic.png").c_str());
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows() + param("image_canvas", "_load.dat") + tail));
    EXPECT_EQ(folder.read("_load.dat"), "png bytes");
    setup.continuePath.assign(folder.file("gone.pch").c_str());  // a failed copy still names the copy
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows() + param("pch_file", "_load.dat") + tail));
}

// One of the HTML5 painter's animations: "NEO ", width and height.
static std::string painterAnimation(unsigned width, unsigned height) {
    std::string bytes = "NEO ";
    for (unsigned n : {width, height}) {
        bytes += static_cast<char>(n & 0xFF);
        bytes += static_cast<char>(n >> 8);
    }
    return bytes + "strokes";
}

TEST_F(DrawingPageTest, TheHtml5PainterIsNamedForPaintBbsAndTakesItsOwnAnimation) {
    const std::string script = "<script type=\"text/javascript\" src=\"neo.js\" charset=\"UTF-8\"></script>\r\n";
    const std::string style = "<link rel=\"stylesheet\" type=\"text/css\" href=\"neo.css\">\r\n";
    std::string tail = param("send_header", "1") + param("url_save", "save.cgi") + param("bar_size", "20");
    setup.palette = 0;
    folder.write("neo.js", "");
    pagetext::DrawingPage p;
    p.links = script;
    p.code = "pbbs.PaintBBS.class";
    p.archive = "PaintBBS.jar";
    p.width = "500";
    p.height = "520";
    p.params = paintBbsRows() + tail;
    EXPECT_EQ(page(), pagetext::drawingPage(p));
    folder.write("neo.css", "");
    p.links = style + script;
    EXPECT_EQ(page(), pagetext::drawingPage(p));

    folder.write("own.pch", painterAnimation(0x1234, 77));
    setup.continuePath.assign(folder.file("own.pch").c_str());
    followPictureToContinue(setup);
    EXPECT_EQ(setup.imageWidth, 0x1234u);
    EXPECT_EQ(setup.imageHeight, 77u);
    setup.imageWidth = setup.imageHeight = 300;
    p.params = paintBbsRows() + param("pch_file", "_load.pch") + tail;
    EXPECT_EQ(page(), pagetext::drawingPage(p));
    EXPECT_EQ(folder.read("_load.pch"), painterAnimation(0x1234, 77));
    EXPECT_FALSE(folder.exists("_load.dat"));

    folder.write("pic.png", "png bytes");
    setup.continuePath.assign(folder.file("pic.png").c_str());
    p.params = paintBbsRows() + param("image_canvas", "_load.dat") + tail;
    EXPECT_EQ(page(), pagetext::drawingPage(p));

    setup.kind = 1;  // the painter stands in for PaintBBS only
    setup.continuePath.clear();
    EXPECT_EQ(page().find("neo."), std::string::npos);
}

TEST_F(DrawingPageTest, DesignColoursForShiPainterAndPaintBbs) {
    design("color2=255\r\nCursor=pen.gif\r\n");
    setup.kind = 1;
    std::string shi = page();
    std::string end = param("send_header", "1") + param("image_bkcolor", "#FF0000") + param("bar_size", "20") +
                      param("cursor_1", "pen.gif") + "</applet></td>";
    EXPECT_NE(shi.find(end), std::string::npos);
    setup.kind = 0;
    setup.palette = 0;
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows() + param("send_header", "1") + param("image_bkcolor", "#FF0000") +
                                   param("bar_size", "20")));
}

TEST_F(DrawingPageTest, EveryColourKeyHasItsParameterInKeyOrder) {
    std::string lines, expected;
    const char* names[] = {"image_bkcolor", "color_text", "color_bk", "color_bk2", "color_icon", "color_frame",
                           "color_iconselect", "color_bar", "color_bar_hl", "color_bar_frame_hl",
                           "color_bar_frame_shadow", "tool_color_button", "tool_color_button2", "tool_color_text",
                           "tool_color_bar", "tool_color_frame"};
    for (int n = 2; n <= 17; ++n) {
        // red n, green 2n, blue 3n
        int colour = n | (2 * n) << 8 | (3 * n) << 16;
        lines += "color" + std::to_string(n) + "=" + std::to_string(colour) + "\r\n";
        char html[8];
        std::snprintf(html, sizeof html, "#%02X%02X%02X", n, 2 * n, 3 * n);
        expected += param(names[n - 2], html);
    }
    design(lines + "ScrollSize=12\r\n");
    setup.palette = 0;
    EXPECT_EQ(page(), paintBbsPage(paintBbsRows() + param("send_header", "1") + expected + param("bar_size", "12")));
}

TEST_F(DrawingPageTest, PageColourAndDefaults) {
    setup.palette = 0;
    design("color1=65280\r\n");  // 0x00FF00
    pagetext::DrawingPage p;
    p.colour = "#00FF00";
    p.code = "pbbs.PaintBBS.class";
    p.archive = "PaintBBS.jar";
    p.width = "500";
    p.height = "520";
    p.params = paintBbsRows() + param("send_header", "1") + param("bar_size", "20");
    EXPECT_EQ(page(), pagetext::drawingPage(p));
    design("color1=-1\r\ncolor3=0\r\ncolor4=-1\r\n");
    p.colour = "#FFDEAD";
    p.params = paintBbsRows() + param("send_header", "1") + param("color_text", "#000000") + param("bar_size", "20");
    EXPECT_EQ(page(), pagetext::drawingPage(p));
}

TEST(DesignTable, SeventeenLabelsAndSixteenParameters) {
    EXPECT_STREQ(designColours[0].label, "HTML背景色");
    EXPECT_EQ(designColours[0].parameter, nullptr);
    EXPECT_STREQ(designColours[1].label, "ｷｬﾝﾊﾞｽ背景色");
    EXPECT_STREQ(designColours[16].label, "ﾂｰﾙﾊﾞｰ枠の色");
    EXPECT_STREQ(designColours[16].parameter, "tool_color_frame");
    for (int i = 1; i < designColourCount; ++i) EXPECT_NE(designColours[i].parameter, nullptr);
}

TEST(PageParams, LinesAndColours) {
    TempFolder folder;
    FileHandle file;
    ASSERT_TRUE(file.createWrite(folder.file("p.txt").c_str()));
    EXPECT_TRUE(writeParam(file, "speed", int64_t{5}));
    EXPECT_TRUE(writeParam(file, "image_width", int64_t{4294967295u}));
    EXPECT_TRUE(writeParam(file, "quality", int64_t{-1}));
    EXPECT_TRUE(writeParam(file, "run", "true"));
    file.close();
    EXPECT_EQ(folder.read("p.txt"), param("speed", "5") + param("image_width", "4294967295") +
                                        param("quality", "-1") + param("run", "true"));
    TextBuffer colour;
    htmlColour(0xADDEFF, colour);
    EXPECT_STREQ(colour.text(), "#FFDEAD");
    htmlColour(0x123456, colour);
    EXPECT_STREQ(colour.text(), "#563412");
    htmlColour(-1, colour);
    EXPECT_STREQ(colour.text(), "#FFFFFF");
}

TEST(AutomaticSize, ExamplesOfTheRule) {
    EXPECT_EQ(autoAppletWidth(AppletKind::PaintBBS, 0, 300), 500);
    EXPECT_EQ(autoAppletHeight(AppletKind::PaintBBS, 0, 300), 520);
    EXPECT_EQ(autoAppletWidth(AppletKind::ShiPainterPro, 0, 300), 700);
    EXPECT_EQ(autoAppletHeight(AppletKind::ShiPainterPro, 0, 300), 550);
    EXPECT_EQ(autoAppletWidth(AppletKind::PaintBBS, 0, 800), 900);
    EXPECT_EQ(autoAppletHeight(AppletKind::PaintBBS, 0, 600), 720);
    EXPECT_EQ(autoAppletWidth(AppletKind::Poo, 0, 800), 1000);
    EXPECT_EQ(autoAppletHeight(AppletKind::Poo, 0, 600), 850);
    EXPECT_EQ(autoAppletWidth(AppletKind::ShiPainterNormal, 0, 440), 540);
    EXPECT_EQ(autoAppletWidth(AppletKind::ShiPainterNormal, 0, 441), 541);
    EXPECT_EQ(autoAppletWidth(AppletKind::PaintBBS, -5, 800), -5);
    EXPECT_EQ(autoAppletHeight(AppletKind::ShiPainterAllPro, 3, 800), 3);
    EXPECT_EQ(autoAppletWidth(AppletKind::PaintBBS, 0, 4294967295u), 2147483647);
}

TEST(DrawingAddress, CarriesThePortUnlessItIs80) {
    TextBuffer address;
    drawingPageAddress(80, address);
    EXPECT_STREQ(address.text(), "http://localhost/draw.html");
    drawingPageAddress(8010, address);
    EXPECT_STREQ(address.text(), "http://localhost:8010/draw.html");
    drawingPageAddress(65535, address);
    EXPECT_STREQ(address.text(), "http://localhost:65535/draw.html");
}

namespace {

class DrawingChecks : public ::testing::Test {
protected:
    std::string dir() const { return folder.path().string(); }
    // The warning, or "" when drawing may go on.
    std::string check() {
        TextBuffer warning;
        if (checkDrawingFiles(setup, dir().c_str(), warning)) return "";
        EXPECT_FALSE(warning.isEmpty());
        return warning.text();
    }
    TempFolder folder;
    DrawingSetup setup;
};

}  // namespace

TEST_F(DrawingChecks, TheArchiveOfEachKindMustExist) {
    setup.palette = 0;
    const char* archives[] = {"PaintBBS.jar", "spainter.jar", "spainter.jar", "spainter_all.jar", "spainter_all.jar", "oekaki*.jar"};
    for (int kind = 0; kind < 6; ++kind) {
        setup.kind = kind;
        EXPECT_EQ(check(), std::string(archives[kind]) + "が見つかりません") << kind;
    }
    folder.write("paintbbs.JAR", "");  // found without regard to letter case
    setup.kind = 0;
    EXPECT_EQ(check(), "");
    folder.write("oekaki99.jar", "");
    setup.kind = 5;
    EXPECT_EQ(check(), "");
}

TEST_F(DrawingChecks, TheChosenPaletteScriptMustExistForEveryKind) {
    folder.write("spainter.jar", "");
    folder.write("oekaki131.jar", "");
    setup.kind = 1;
    setup.palette = 1;
    EXPECT_EQ(check(), "palette.jsが見つかりません");
    setup.palette = 2;
    EXPECT_EQ(check(), "palette_selfy.jsが見つかりません");
    setup.palette = 3;
    EXPECT_EQ(check(), "paletteHLS.jsが見つかりません");
    setup.kind = 5;
    setup.palette = 1;  // the poo page would not use it, yet it is required
    EXPECT_EQ(check(), "palette.jsが見つかりません");
    folder.write("palette.js", "");
    EXPECT_EQ(check(), "");
}

TEST_F(DrawingChecks, TheHtml5PainterTakesThePlaceOfPaintBbsButCannotReplayJavaAnimations) {
    setup.palette = 0;
    folder.write("neo.js", "");
    EXPECT_EQ(check(), "");
    setup.kind = 1;
    EXPECT_EQ(check(), "spainter.jarが見つかりません");
    setup.kind = 0;
    folder.write("java.pch", "java bytes");
    folder.write("java.spch", "version=1\r\n");
    folder.write("own.pch", painterAnimation(16, 16));
    for (const char* name : {"java.pch", "java.spch"}) {
        setup.continuePath.assign(folder.file(name).c_str());
        EXPECT_EQ(check(),
                  "HTML5版のPaintBBS（neo.js）は、Javaアプレットのアニメーション（PCH・SPCH）を再生できません。\n"
                  "画像ファイルか、neo.jsで描いたアニメーションを指定してください。")
            << name;
    }
    setup.continuePath.assign(folder.file("own.pch").c_str());
    EXPECT_EQ(check(), "");
}

TEST_F(DrawingChecks, PooVersion132IsRefused) {
    folder.write("oekaki132.jar", "");
    setup.kind = 5;
    setup.palette = 0;
    EXPECT_EQ(check(), "oekaki132.jarには対応していません");
}

TEST_F(DrawingChecks, OfTwoPooArchivesTheFirstListedCounts) {
    folder.write("oekaki131.jar", "");
    folder.write("oekaki132.jar", "");
    std::string first;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        first = entry.path().filename().string();
        break;
    }
    int expected = first == "oekaki132.jar" ? 132 : 131;
    EXPECT_EQ(oekakiVersion(dir().c_str()), expected);
    setup.kind = 5;
    setup.palette = 0;
    EXPECT_EQ(check(), expected == 132 ? "oekaki132.jarには対応していません" : "");
}

TEST_F(DrawingChecks, NoAppletSelectedAsksForOne) {
    folder.write("PaintBBS.jar", "");
    for (int kind : {-1, 6, 9}) {
        setup.kind = kind;
        EXPECT_EQ(check(), "アプレットを選択してください") << kind;
        EXPECT_FALSE(writeDrawingPage(setup, dir().c_str()));
        EXPECT_FALSE(folder.exists("draw.html"));
    }
}

TEST(PooVersion, DigitsAfterOekakiUpToTheNinthCharacter) {
    TempFolder folder;
    std::string dir = folder.path().string();
    EXPECT_EQ(oekakiVersion(dir.c_str()), -1);
    folder.write("oekaki99.jar", "");
    EXPECT_EQ(oekakiVersion(dir.c_str()), 99);
    std::filesystem::remove(folder.path() / "oekaki99.jar");
    folder.write("oekaki1234.jar", "");
    EXPECT_EQ(oekakiVersion(dir.c_str()), 123);
    std::filesystem::remove(folder.path() / "oekaki1234.jar");
    folder.write("oekaki.jar", "");
    EXPECT_EQ(oekakiVersion(dir.c_str()), 0);
}

TEST_F(DrawingPageTest, StartDrawingWritesThePageAndSendsTheBrowser) {
    folder.write("PaintBBS.jar", "");
    browserSettings(folder, "1", standInBrowser());
    setup.palette = 0;
    ASSERT_TRUE(startDrawing(setup, dir().c_str(), 8010, nullptr));
    EXPECT_EQ(folder.read("draw.html"), paintBbsPage(paintBbsRows() + param("send_header", "1") + param("bar_size", "20")));
    EXPECT_EQ(addressReceived(folder), "http://localhost:8010/draw.html");
}

#ifndef _WIN32
// Natively the warning boxes are recorded instead of waiting for a click.
TEST_F(DrawingPageTest, PrepareDrawingWarnsAndWritesNothingWhenAFileIsMissing) {
    platform::posix::takeShownBoxes();
    setup.palette = 0;
    EXPECT_FALSE(prepareDrawing(setup, dir().c_str(), nullptr));
    setup.kind = -1;
    EXPECT_FALSE(prepareDrawing(setup, dir().c_str(), nullptr));
    EXPECT_FALSE(folder.exists("draw.html"));
    auto boxes = platform::posix::takeShownBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "PaintBBS.jarが見つかりません");
    EXPECT_EQ(boxes[1].text, "アプレットを選択してください");
    EXPECT_EQ(boxes[1].style, platform::boxIconWarning | platform::boxSystemModal);
    folder.write("PaintBBS.jar", "");
    setup.kind = 0;
    EXPECT_TRUE(prepareDrawing(setup, dir().c_str(), nullptr));
    EXPECT_TRUE(folder.exists("draw.html"));
    EXPECT_TRUE(platform::posix::takeShownBoxes().empty());
}

// A real HTML parser reads every kind of page without an error, and warns
// only of the table height the page layout asks for.
TEST_F(DrawingPageTest, PagesParseCleanlyInTidy) {
    folder.write("oekaki131.jar", "");
    design("color1=255\r\ncolor2=0\r\nCursor=pen.gif\r\n");
    for (int kind = 0; kind < 6; ++kind) {
        setup.kind = kind;
        setup.palette = kind % 4;
        page();
        EXPECT_EQ(tidyComplaints(folder, "draw.html"), "") << kind;
    }
}
#endif
