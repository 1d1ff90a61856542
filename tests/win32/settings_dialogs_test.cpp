// The dialogs that edit set.ini or the presets directly: browser, design,
// preset editor, and the animation playback dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <colordlg.h>
#include <commdlg.h>
#include <dlgs.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/platform.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/program_files.h"
#include "ui/browser_dialog.h"
#include "ui/design_dialog.h"
#include "ui/dialogs/playback_dialog.h"
#include "ui/dialogs/preset_editor_dialog.h"
#include "ui/resource_ids.h"

namespace {

using Texts = std::vector<std::string>;

}  // namespace

// ---- Browser dialog -------------------------------------------------------------

TEST(BrowserDialogs, TheChoiceIsStoredAndStandardKeepsThePath) {
    ProgramFiles files;
    BrowserDialog dialog;
    INT_PTR result = runModal(dialog, IDD_BROWSER, nullptr, [](HWND window) {
        EXPECT_EQ(windowTextOf(window), "使用ブラウザ");
        EXPECT_TRUE(isChecked(window, IDC_BROWSER_STANDARD));
        EXPECT_EQ(textOf(window, IDC_BROWSER_PATH), "");
        click(window, IDC_BROWSER_GIVEN);
        EXPECT_FALSE(isChecked(window, IDC_BROWSER_STANDARD));
        click(window, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(files.setting("Browser", "Flag"), "1");
    EXPECT_EQ(files.setting("Browser", "Path"), "");
    platform::writeProfileText("Browser", "Path", "C:\\ブラウザ\\web.exe", files.file("set.ini").c_str());
    runModal(dialog, IDD_BROWSER, nullptr, [](HWND window) {
        EXPECT_TRUE(isChecked(window, IDC_BROWSER_GIVEN));
        EXPECT_FALSE(isChecked(window, IDC_BROWSER_STANDARD));
        EXPECT_EQ(textOf(window, IDC_BROWSER_PATH), "C:\\ブラウザ\\web.exe");
        click(window, IDC_BROWSER_STANDARD);
        click(window, IDOK);
    });
    EXPECT_EQ(files.setting("Browser", "Flag"), "0");
    EXPECT_EQ(files.setting("Browser", "Path"), "C:\\ブラウザ\\web.exe");
}

TEST(BrowserDialogs, CancelLeavesTheFileAsItWas) {
    ProgramFiles files;
    files.write("set.ini", "[Browser]\r\nFlag=0\r\nPath=old.exe\r\n");
    BrowserDialog dialog;
    INT_PTR result = runModal(dialog, IDD_BROWSER, nullptr, [](HWND window) {
        click(window, IDC_BROWSER_GIVEN);
        typeText(window, IDC_BROWSER_PATH, "new.exe");
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(files.read("set.ini"), "[Browser]\r\nFlag=0\r\nPath=old.exe\r\n");
}

TEST(BrowserDialogs, BrowsePutsTheChosenProgramsFullPath) {
    ProgramFiles files;
    BrowserDialog dialog;
    std::string shown;
    runModal(dialog, IDD_BROWSER, nullptr, [&](HWND window) {
        DialogWatcher chooser(window, [&](HWND open) {
            std::wstring name = L"C:\\windows\\notepad.exe";  // elsewhere: the chooser moves the current folder
            SendMessageW(open, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(name.c_str()));
            SendMessageW(open, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(name.c_str()));
            click(open, IDOK);
        });
        click(window, IDC_BROWSER_BROWSE);
        shown = textOf(window, IDC_BROWSER_PATH);
        click(window, IDCANCEL);
    });
    EXPECT_EQ(shown, "C:\\windows\\notepad.exe");
    char current[512];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(std::string(current), files.folder());
}

// ---- Design dialog ----------------------------------------------------------------

namespace {

struct Swatch {
    COLORREF inside;  // off both diagonals
    COLORREF onCross;
    COLORREF frame;
};

Swatch swatchOf(HWND window, int line) {
    HWND list = GetDlgItem(window, IDC_DESIGN_COLOURS);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(line), 0);
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&r));
    int left = r.left + 2;
    int top = r.top + 2;
    return {printedPixel(list, left + 1, top + 3), printedPixel(list, left + 3, top + 3),
            printedPixel(list, left, top + 4)};
}

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF black = RGB(0, 0, 0);

}  // namespace

TEST(DesignDialogs, WithoutADesignSectionEverythingIsDefaultAndTheCursorsAreTheResPictures) {
    ProgramFiles files;
    files.makeFolder("res");
    files.write("res\\pen.GIF", "GIF89a");
    files.write("res\\a.png", "png");
    files.write("res\\readme.txt", "text");
    DesignDialog dialog;
    runModal(dialog, IDD_DESIGN, nullptr, [](HWND window) {
        EXPECT_EQ(windowTextOf(window), "画面デザイン");
        Texts labels = listItems(window, IDC_DESIGN_COLOURS);
        ASSERT_EQ(labels.size(), 17u);
        EXPECT_EQ(labels[0], "HTML背景色");
        EXPECT_EQ(labels[16], "ﾂｰﾙﾊﾞｰ枠の色");
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_DESIGN_COLOURS, LB_GETCURSEL, 0, 0), 0);
        for (int line : {0, 8, 16}) {
            Swatch s = swatchOf(window, line);
            EXPECT_EQ(s.inside, white) << line;
            EXPECT_EQ(s.onCross, black) << line;
            EXPECT_EQ(s.frame, black) << line;
        }
        EXPECT_EQ(textOf(window, IDC_DESIGN_SCROLL_SIZE), "20");
        EXPECT_EQ(textOf(window, IDC_DESIGN_CURSOR), "");
        EXPECT_EQ(comboItems(window, IDC_DESIGN_CURSOR), (Texts{"a.png", "pen.GIF"}));
        click(window, IDCANCEL);
    });
    EXPECT_FALSE(files.exists("set.ini"));
}

TEST(DesignDialogs, DefaultTurnsAColouredLineIntoACrossAndOkWritesMinusOne) {
    ProgramFiles files;
    files.write("set.ini", "[Design]\r\ncolor3=255\r\nScrollSize=12\r\nCursor=pen.gif\r\n");
    DesignDialog dialog;
    runModal(dialog, IDD_DESIGN, nullptr, [](HWND window) {
        Swatch coloured = swatchOf(window, 2);
        EXPECT_EQ(coloured.inside, RGB(255, 0, 0));
        EXPECT_EQ(coloured.onCross, RGB(255, 0, 0));
        EXPECT_EQ(textOf(window, IDC_DESIGN_SCROLL_SIZE), "12");
        EXPECT_EQ(textOf(window, IDC_DESIGN_CURSOR), "pen.gif");
        SendDlgItemMessageW(window, IDC_DESIGN_COLOURS, LB_SETCURSEL, 2, 0);
        click(window, IDC_DESIGN_DEFAULT);
        Swatch now = swatchOf(window, 2);
        EXPECT_EQ(now.inside, white);
        EXPECT_EQ(now.onCross, black);
        typeText(window, IDC_DESIGN_SCROLL_SIZE, "");
        typeText(window, IDC_DESIGN_CURSOR, "ブラシ.png");
        click(window, IDOK);
    });
    EXPECT_EQ(files.setting("Design", "color3"), "-1");
    EXPECT_EQ(files.setting("Design", "color1"), "-1");
    EXPECT_EQ(files.setting("Design", "color17"), "-1");
    EXPECT_EQ(files.setting("Design", "ScrollSize"), "0");
    EXPECT_EQ(files.setting("Design", "Cursor"), "ブラシ.png");
}

TEST(DesignDialogs, AllDefaultAsksFirst) {
    ProgramFiles files;
    files.write("set.ini", "[Design]\r\ncolor1=65280\r\ncolor9=123\r\n");
    BoxWatcher boxes;
    boxes.answer(IDNO);
    boxes.answer(IDYES);
    DesignDialog dialog;
    Swatch afterNo{};
    Swatch afterYes{};
    runModal(dialog, IDD_DESIGN, nullptr, [&](HWND window) {
        click(window, IDC_DESIGN_ALL_DEFAULT);
        afterNo = swatchOf(window, 0);
        click(window, IDC_DESIGN_ALL_DEFAULT);
        afterYes = swatchOf(window, 0);
        click(window, IDOK);
    });
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, "全てデフォルトにしますか？");
    EXPECT_EQ(boxes.seen()[0].caption, "確認");
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_TRUE(boxes.seen()[0].topmost);
    EXPECT_EQ(afterNo.inside, RGB(0, 255, 0));
    EXPECT_EQ(afterYes.inside, white);
    EXPECT_EQ(afterYes.onCross, black);
    EXPECT_EQ(files.setting("Design", "color1"), "-1");
    EXPECT_EQ(files.setting("Design", "color9"), "-1");
}

TEST(DesignDialogs, ChosenWhiteIsAColourNotTheDefaultAndCancelLeavesTheFileUntouched) {
    ProgramFiles files;
    const std::string before = "[Design]\r\ncolor2=255\r\nScrollSize=30\r\n";
    files.write("set.ini", before);
    DesignDialog dialog;
    for (int button : {IDCANCEL, IDOK}) {
        INT_PTR result = runModal(dialog, IDD_DESIGN, nullptr, [&](HWND window) {
            SendDlgItemMessageW(window, IDC_DESIGN_COLOURS, LB_SETCURSEL, 1, 0);
            DialogWatcher chooser(window, [](HWND colours) {
                for (int id : {COLOR_RED, COLOR_GREEN, COLOR_BLUE}) SetDlgItemInt(colours, id, 255, FALSE);
                click(colours, IDOK);
            });
            click(window, IDC_DESIGN_SET_COLOUR);
            EXPECT_TRUE(chooser.ran());
            Swatch s = swatchOf(window, 1);
            EXPECT_EQ(s.inside, white);
            EXPECT_EQ(s.onCross, white);  // no cross
            typeText(window, IDC_DESIGN_SCROLL_SIZE, "5");
            if (button == IDOK) click(window, IDOK);
            else SendMessageW(window, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(result, button == IDOK ? 1 : 0);
        if (button == IDCANCEL) {
            EXPECT_EQ(files.read("set.ini"), before);
        }
    }
    EXPECT_EQ(files.setting("Design", "color2"), "16777215");
    EXPECT_EQ(files.setting("Design", "ScrollSize"), "5");
}

// ---- Preset editor ------------------------------------------------------------------

namespace {

PresetTable defaultPresets() { return Settings().presets; }

void setFields(HWND window, const char* width, const char* height) {
    typeText(window, IDC_PRESET_WIDTH, width);
    typeText(window, IDC_PRESET_HEIGHT, height);
}

void selectLine(HWND window, int line) { SendDlgItemMessageW(window, IDC_PRESET_LIST, LB_SETCURSEL, line, 0); }

int selectedLine(HWND window) {
    return static_cast<int>(SendDlgItemMessageW(window, IDC_PRESET_LIST, LB_GETCURSEL, 0, 0));
}

}  // namespace

TEST(PresetEditors, OpensWithTheTableAndEditsLineByLine) {
    PresetTable table = defaultPresets();
    PresetEditorDialog dialog(table);
    Texts after;
    INT_PTR result = runModal(dialog, IDD_PRESET_EDITOR, nullptr, [&](HWND window) {
        EXPECT_EQ(windowTextOf(window), "プリセット編集");
        Texts lines = listItems(window, IDC_PRESET_LIST);
        EXPECT_EQ(lines.size(), 9u);
        EXPECT_EQ(lines.front(), "100x100");
        EXPECT_EQ(lines.back(), "500x500");
        EXPECT_EQ(selectedLine(window), -1);
        EXPECT_EQ(textOf(window, IDC_PRESET_WIDTH), "");
        EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), IDC_PRESET_ADD);
        setFields(window, "12345", "50");
        click(window, IDC_PRESET_ADD);
        click(window, IDC_PRESET_INSERT);  // no selection: nothing
        click(window, IDC_PRESET_UP);
        selectLine(window, 1);
        EXPECT_EQ(textOf(window, IDC_PRESET_WIDTH), "12345");  // selecting copies nothing
        setFields(window, "640", "480");
        click(window, IDC_PRESET_INSERT);
        EXPECT_EQ(selectedLine(window), 1);
        setFields(window, "320", "240");
        click(window, IDC_PRESET_REPLACE);
        EXPECT_EQ(selectedLine(window), 1);
        click(window, IDC_PRESET_UP);
        EXPECT_EQ(selectedLine(window), 0);
        click(window, IDC_PRESET_UP);  // already first
        EXPECT_EQ(selectedLine(window), 0);
        selectLine(window, 3);
        click(window, IDC_PRESET_DELETE);  // 200x200 goes, 250x250 is selected
        EXPECT_EQ(selectedLine(window), 3);
        selectLine(window, 9);
        click(window, IDC_PRESET_DOWN);  // already last
        EXPECT_EQ(selectedLine(window), 9);
        click(window, IDC_PRESET_DELETE);
        EXPECT_EQ(selectedLine(window), -1);
        after = listItems(window, IDC_PRESET_LIST);
        setFields(window, "", "");
        click(window, IDC_PRESET_ADD);
        EXPECT_EQ(listItems(window, IDC_PRESET_LIST).back(), "0x0");  // empty fields add 0x0
        selectLine(window, 9);
        click(window, IDC_PRESET_DELETE);
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(after, (Texts{"320x240", "100x100", "150x150", "250x250", "300x300", "350x350", "400x400", "450x450",
                            "500x500"}));
    ASSERT_EQ(table.count(), 9);
    EXPECT_EQ(table.slots[0].width, 320);
    EXPECT_EQ(table.slots[0].height, 240);
    EXPECT_EQ(table.slots[8].width, 500);
    EXPECT_EQ(table.slots[9].width, presetEnd);
}

TEST(PresetEditors, FullListRefusesAddAndInsertWithTheWarning) {
    PresetTable table;
    for (int i = 0; i < presetSlots; ++i) table.slots[i] = {static_cast<uint16_t>(i + 1), 7};
    BoxWatcher boxes;
    PresetEditorDialog dialog(table);
    size_t lines = 0;
    runModal(dialog, IDD_PRESET_EDITOR, nullptr, [&](HWND window) {
        setFields(window, "1", "1");
        click(window, IDC_PRESET_ADD);
        selectLine(window, 4);
        click(window, IDC_PRESET_INSERT);
        click(window, IDC_PRESET_DOWN);
        lines = listItems(window, IDC_PRESET_LIST).size();
        SendMessageW(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(lines, 30u);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, "これ以上追加できません");
    EXPECT_EQ(boxes.seen()[1].text, "これ以上追加できません");
    EXPECT_EQ(table.slots[5].width, 5);  // line 4 (width 5) moved down
    EXPECT_EQ(table.slots[4].width, 6);
}

// ---- Animation playback dialog ------------------------------------------------------

namespace {

struct Fields {
    std::string width, height, layers;
    bool operator==(const Fields& o) const { return width == o.width && height == o.height && layers == o.layers; }
};

std::ostream& operator<<(std::ostream& out, const Fields& f) {
    return out << f.width << " x " << f.height << ", " << f.layers;
}

Fields fieldsOf(HWND window) {
    return {textOf(window, IDC_PLAYBACK_WIDTH), textOf(window, IDC_PLAYBACK_HEIGHT), textOf(window, IDC_PLAYBACK_LAYERS)};
}

void drop(HWND window, const std::vector<std::string>& paths) {
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(paths)), 0);
}

}  // namespace

// The sizes read from each kind of file are the table of readAnimationSize;
// here a drop reaches them and only animations are taken.
TEST(PlaybackDialogs, DroppedAnimationsGiveTheirSizesOtherFilesAreRefused) {
    ProgramFiles files;
    files.write("anim.spch", "image_width=400\r\nIMAGE_HEIGHT=300\r\nlayer_max=5\r\n\r\n");
    PlaybackDialog dialog;
    BoxWatcher boxes;
    runModal(dialog, IDD_PLAYBACK, nullptr, [&](HWND window) {
        EXPECT_EQ(windowTextOf(window), "アニメーション再生");
        EXPECT_EQ(fieldsOf(window), (Fields{"300", "300", "2"}));
        drop(window, {"C:\\絵\\pic[x640y480].pch", "C:\\other[x1y1].pch"});
        EXPECT_EQ(textOf(window, IDC_PLAYBACK_PATH), "C:\\絵\\pic[x640y480].pch");
        EXPECT_EQ(fieldsOf(window), (Fields{"640", "480", "2"}));
        drop(window, {files.file("anim.spch")});
        EXPECT_EQ(fieldsOf(window), (Fields{"400", "300", "5"}));
        drop(window, {"C:\\picture.gif"});
        EXPECT_EQ(fieldsOf(window), (Fields{"400", "300", "5"}));
        EXPECT_EQ(textOf(window, IDC_PLAYBACK_PATH), files.file("anim.spch"));
        click(window, IDCANCEL);
    });
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "\"pch\" か \"spch\" のﾌｧｲﾙを指定してください");
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_WARNING));
}

TEST(PlaybackDialogs, PlayWithoutAFileWarnsAndStays) {
    ProgramFiles files;
    PlaybackDialog dialog;
    BoxWatcher boxes;
    bool open = false;
    INT_PTR result = runModal(dialog, IDD_PLAYBACK, nullptr, [&](HWND window) {
        click(window, IDOK);
        open = IsWindow(window) && IsWindowVisible(window);
        click(window, IDCANCEL);
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "ファイル名を指定してください");
    EXPECT_FALSE(files.exists("anim.html"));
}

TEST(PlaybackDialogs, PlayWritesThePageCopiesTheFileAndOpensItsAddress) {
    ProgramFiles files;
    files.useStandInBrowser();
    files.write("pic[x640y480].pch", "PCH bytes");
    PlaybackDialog dialog;
    INT_PTR result = runModal(dialog, IDD_PLAYBACK, nullptr, [&](HWND window) {
        drop(window, {files.file("pic[x640y480].pch")});
        click(window, IDC_PLAYBACK_PROGRESS);
        click(window, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(dialog.showProgress);
    EXPECT_NE(files.read("anim.html").find("name=\"pch\" width=\"640\" height=\"506\""), std::string::npos);
    EXPECT_EQ(files.read("_load.dat"), "PCH bytes");
    std::string expected = "file:///" + files.folder() + "/anim.html";
    for (char& c : expected) c = c == '\\' ? '/' : c;
    EXPECT_EQ(files.standInAddress(), expected);
}
