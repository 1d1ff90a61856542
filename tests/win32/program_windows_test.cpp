// The main window and the dialogs of its menu in-process, in the test
// program's folder, which is the program folder of the code under test: the
// fields each fills from set.ini or the presets, its field logic, and what it
// stores.
#include <gtest/gtest.h>

#include <windows.h>
#include <colordlg.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/win32/wide.h"
#include "program/program_window.h"
#include "tests/win32/dialog_driver.h"
#include "ui/browser_dialog.h"
#include "ui/design_dialog.h"
#include "ui/dialogs/playback_dialog.h"
#include "ui/dialogs/preset_editor_dialog.h"
#include "ui/main_window.h"
#include "ui/resource_ids.h"

using platform::win32::narrow;

namespace {

using Texts = std::vector<std::string>;

void drop(HWND window, const Texts& paths) {
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(paths)), 0);
}

// The window stays hidden: the box watcher takes any visible dialog with an
// item 0xFFFF for a message box, and the window's labels have that id. Port
// 0 lets the server bind whatever port the system gives.
class MainWindows : public testing::Test {
protected:
    void start(const std::string& setting, const std::string& sections = "") {
        files_.write("set.ini", "[Setting]\r\nPort=0\r\n" + setting + sections);
        session_ = std::make_unique<ProgramSession>(settings_, nullptr);
        window_ = std::make_unique<MainWindow>(settings_, session_->server());
        started_ = startProgramWindow(*session_, *window_);
        ASSERT_TRUE(started_);
        ASSERT_FALSE(IsWindowVisible(main()));
    }
    void TearDown() override {
        if (started_) session_->close(nullptr);
    }
    HWND main() const { return window_->handle(); }
    std::string sizes() const {
        return shown(main(),
                     {IDC_MAIN_APPLET_WIDTH, IDC_MAIN_APPLET_HEIGHT, IDC_MAIN_IMAGE_WIDTH, IDC_MAIN_IMAGE_HEIGHT});
    }

    ProgramFiles files_;
    Settings settings_;
    std::unique_ptr<ProgramSession> session_;
    std::unique_ptr<MainWindow> window_;
    bool started_ = false;
};

}  // namespace

TEST_F(MainWindows, StoredSetUpIsShownAndEachAppletKindEnablesItsControlsOnTheSelectionChangeOnly) {
    start("Applet=5\r\nImageWidth=640\r\nImageHeight=480\r\nQuality=1\r\nPalette=3\r\nLayer=4\r\nUndo=7\r\n");
    EXPECT_EQ(shown(main(), {IDC_MAIN_QUALITY, IDC_MAIN_PALETTE, IDC_MAIN_IMAGE_WIDTH, IDC_MAIN_IMAGE_HEIGHT,
                             IDC_MAIN_LAYERS, IDC_MAIN_UNDO}),
              "~2 （2倍） | ~HLSカラーパレット | 640 | 480 | ~4 | ~7");
    auto states = [&] {
        return enabled(main(), {IDC_MAIN_ANIMATION, IDC_MAIN_UNDO, IDC_MAIN_UNDO_GROUP, IDC_MAIN_PALETTE,
                                IDC_MAIN_QUALITY, IDC_MAIN_LAYERS, IDC_MAIN_IMAGE_WIDTH});
    };
    for (auto [kind, expected] : {std::pair{0, "1111001"}, {1, "1111111"}, {5, "0000001"}, {2, "1111111"},
                                  {3, "1111111"}, {4, "1111111"}, {0, "1111001"}}) {
        choose(main(), IDC_MAIN_APPLET, kind);
        EXPECT_EQ(states(), expected) << kind;
    }
}

TEST_F(MainWindows, AppletSizeButtonsAndPresetsSetTheirSizesAndTheOverwriteItemTogglesBitOne) {
    start("AppletWidth=640\r\nAppletHeight=480\r\nImageWidth=320\r\nImageHeight=240\r\nOptionFlag=28\r\n",
          "[ImgPreset]\r\npreset0=320x240\r\npreset1=1000x50\r\n");
    click(main(), IDC_MAIN_APPLET_WHOLE);
    EXPECT_EQ(sizes(), "-1 | -1 | 320 | 240");
    PopupMenu menu;
    ASSERT_TRUE(menu.create());
    window_->fillPresetMenu(menu);
    Texts items;
    for (int n = 0; n < GetMenuItemCount(menu.handle()); ++n) {
        wchar_t text[64] = {};
        GetMenuStringW(menu.handle(), static_cast<UINT>(n), text, 64, MF_BYPOSITION);
        items.push_back(GetMenuItemID(menu.handle(), n) ? narrow(text) : "-");
    }
    EXPECT_EQ(items, (Texts{"320x240", "1000x50", "-", "編集"}));
    SendMessageW(main(), WM_COMMAND, GetMenuItemID(menu.handle(), 1), 0);
    EXPECT_EQ(sizes(), "-1 | -1 | 1000 | 50");
    click(main(), IDC_MAIN_APPLET_AUTO);
    EXPECT_EQ(sizes(), "0 | 0 | 1000 | 50");
    for (int flag : {28, 29, 28}) {
        EXPECT_EQ(settings_.OptionFlag, flag);
        EXPECT_EQ((GetMenuState(GetMenu(main()), IDM_OVERWRITE_QUESTION, 0) & MF_CHECKED) != 0, flag == 29);
        command(main(), IDM_OVERWRITE_QUESTION, 0);
    }
}

// The sizes read from each kind of file are the unit tests' table; here the
// drop reaches them and the fields show what they give.
TEST_F(MainWindows, DropTakesTheFirstFileAllSelectedWithItsSizeAndQuality) {
    start("Quality=0\r\nApplet=1\r\n");
    files_.write("anim.spch", "IMAGE_WIDTH=640\r\nimage_height=360\r\nquality=2\r\n\r\nimage_width=9\r\n");
    drop(main(), {files_.file("anim.spch"), "C:\\second[x1y1].pch"});
    DWORD from = 1, to = 0;
    SendDlgItemMessageW(main(), IDC_MAIN_LOAD_PATH, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                        reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(to - from, files_.file("anim.spch").size());
    EXPECT_EQ(shown(main(), {IDC_MAIN_LOAD_PATH, IDC_MAIN_IMAGE_WIDTH, IDC_MAIN_IMAGE_HEIGHT, IDC_MAIN_QUALITY}),
              files_.file("anim.spch") + " | 640 | 360 | 2 （2倍）");
    drop(main(), {"C:\\絵\\first[x64y48].pch"});
    EXPECT_EQ(shown(main(), {IDC_MAIN_IMAGE_WIDTH, IDC_MAIN_IMAGE_HEIGHT}), "64 | 48");
    click(main(), IDC_MAIN_LOAD_CLEAR);
    EXPECT_EQ(textOf(main(), IDC_MAIN_LOAD_PATH), "");
}

TEST_F(MainWindows, PlaybackKeepsItsProgressChoiceInBitOneHoweverItCloses) {
    start("OptionFlag=23\r\n");
    for (bool closeBox : {true, false}) {
        bool shownChecked = !closeBox;
        DialogWatcher playback(main(), [&](HWND dialog) {
            shownChecked = isChecked(dialog, IDC_PLAYBACK_PROGRESS);
            click(dialog, IDC_PLAYBACK_PROGRESS);
            SendMessageW(dialog, closeBox ? WM_CLOSE : WM_COMMAND, closeBox ? 0 : IDCANCEL, 0);
        });
        command(main(), IDM_PLAYBACK, 0);
        EXPECT_EQ(shownChecked, closeBox);
        EXPECT_EQ(settings_.OptionFlag, closeBox ? 21 : 23);
    }
}

// Browse puts the chosen program's full path and comes back to the program
// folder; the path stays when the standard browser is chosen again.
TEST(BrowserDialogs, OkStoresTheChoiceKeepingThePathAndCancelStoresNothing) {
    ProgramFiles files;
    BrowserDialog dialog;
    INT_PTR stored = runModal(dialog, IDD_BROWSER, [](HWND window) {
        EXPECT_EQ(shown(window, {IDC_BROWSER_STANDARD, IDC_BROWSER_GIVEN}), "[x] | [ ]");
        click(window, IDC_BROWSER_GIVEN);
        DialogWatcher chooser(window, [&](HWND open) {
            std::wstring name = L"C:\\windows\\notepad.exe";  // elsewhere: the chooser moves the current folder
            SendMessageW(open, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(name.c_str()));
            SendMessageW(open, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(name.c_str()));
            click(open, IDOK);
        });
        click(window, IDC_BROWSER_BROWSE);
        click(window, IDOK);
    });
    EXPECT_EQ(stored, 1);
    char current[512];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(std::string(current), files.folder);
    EXPECT_EQ(files.setting("Browser", "Flag") + " " + files.setting("Browser", "Path"), "1 C:\\windows\\notepad.exe");
    runModal(dialog, IDD_BROWSER, [](HWND window) {
        EXPECT_EQ(shown(window, {IDC_BROWSER_STANDARD, IDC_BROWSER_GIVEN}), "[ ] | [x]");
        click(window, IDC_BROWSER_STANDARD);
        click(window, IDOK);
    });
    EXPECT_EQ(files.setting("Browser", "Flag") + " " + files.setting("Browser", "Path"), "0 C:\\windows\\notepad.exe");
    const std::string before = files.read("set.ini");
    INT_PTR cancelled = runModal(dialog, IDD_BROWSER, [](HWND window) {
        click(window, IDC_BROWSER_GIVEN);
        typeText(window, IDC_BROWSER_PATH, "new.exe");
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(files.read("set.ini"), before);
}

// ---- Design dialog: an owner-drawn list whose swatches carry a cross for
// the default colour.

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF black = RGB(0, 0, 0);
constexpr COLORREF red = RGB(255, 0, 0);

// A line's swatch off both diagonals, on the cross and on the frame.
std::vector<COLORREF> swatchOf(HWND window, int line) {
    HWND list = GetDlgItem(window, IDC_DESIGN_COLOURS);
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(line), 0);
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&r));
    int left = r.left + 2, top = r.top + 2;
    return {printedPixel(list, left + 1, top + 3), printedPixel(list, left + 3, top + 3),
            printedPixel(list, left, top + 4)};
}

const std::vector<COLORREF> defaultSwatch{white, black, black};

}  // namespace

TEST(DesignDialogs, ShowTheStoredDesignAndWriteItOnOkOnly) {
    ProgramFiles files;
    for (const char* name : {"res\\pen.GIF", "res\\a.png", "res\\readme.txt"}) files.write(name, "bytes");
    DesignDialog dialog;
    runModal(dialog, IDD_DESIGN, [](HWND window) {  // without a design section
        ASSERT_EQ(listItems(window, IDC_DESIGN_COLOURS).size(), 17u);
        EXPECT_EQ(swatchOf(window, 16), defaultSwatch);
        EXPECT_EQ(textOf(window, IDC_DESIGN_SCROLL_SIZE), "20");
        EXPECT_EQ(comboItems(window, IDC_DESIGN_CURSOR), (Texts{"a.png", "pen.GIF"}));
        click(window, IDCANCEL);
    });
    EXPECT_FALSE(files.exists("set.ini"));

    files.write("set.ini", "[Design]\r\ncolor3=255\r\nScrollSize=12\r\nCursor=pen.gif\r\n");
    BoxWatcher boxes;
    boxes.answer(IDNO);
    runModal(dialog, IDD_DESIGN, [&](HWND window) {
        EXPECT_EQ(swatchOf(window, 2), (std::vector<COLORREF>{red, red, black}));
        EXPECT_EQ(shown(window, {IDC_DESIGN_SCROLL_SIZE, IDC_DESIGN_CURSOR}), "12 | pen.gif");
        SendDlgItemMessageW(window, IDC_DESIGN_COLOURS, LB_SETCURSEL, 2, 0);
        click(window, IDC_DESIGN_DEFAULT);
        EXPECT_EQ(swatchOf(window, 2), defaultSwatch);
        SendDlgItemMessageW(window, IDC_DESIGN_COLOURS, LB_SETCURSEL, 1, 0);
        DialogWatcher chooser(window, [](HWND colours) {
            for (int id : {COLOR_RED, COLOR_GREEN, COLOR_BLUE}) SetDlgItemInt(colours, id, 255, FALSE);
            click(colours, IDOK);
        });
        click(window, IDC_DESIGN_SET_COLOUR);
        click(window, IDC_DESIGN_ALL_DEFAULT);                                         // answered no
        EXPECT_EQ(swatchOf(window, 1), (std::vector<COLORREF>{white, white, black}));  // white, no cross
        typeText(window, IDC_DESIGN_SCROLL_SIZE, "");
        typeText(window, IDC_DESIGN_CURSOR, "ブラシ.png");
        click(window, IDOK);
    });
    EXPECT_EQ(boxes.seen().size(), 1u);  // the question, answered no
    std::string written;
    for (const char* key : {"color1", "color2", "color3", "ScrollSize", "Cursor"}) {
        written += files.setting("Design", key) + " ";
    }
    EXPECT_EQ(written, "-1 16777215 -1 0 ブラシ.png ");
}

// The rules of each button are the unit tests' table; here the buttons
// reach them and the list follows.
TEST(PresetEditors, ButtonsEditTheListAndClosingStoresIt) {
    PresetTable table = Settings().presets;  // 100x100 to 500x500 in steps of 50
    PresetEditorDialog dialog(table);
    Texts lines;
    INT_PTR result = runModal(dialog, IDD_PRESET_EDITOR, [&](HWND window) {
        for (auto [button, line, width, height, selected] : {std::tuple{IDC_PRESET_INSERT, 1, "640", "480", 1},
                                                             {IDC_PRESET_REPLACE, 1, "320", "240", 1},
                                                             {IDC_PRESET_UP, 1, "", "", 0},
                                                             {IDC_PRESET_DOWN, 4, "", "", 5},
                                                             {IDC_PRESET_DELETE, 3, "", "", 3},
                                                             {IDC_PRESET_ADD, -1, "", "", -1}}) {
            SendDlgItemMessageW(window, IDC_PRESET_LIST, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
            typeText(window, IDC_PRESET_WIDTH, width);
            typeText(window, IDC_PRESET_HEIGHT, height);
            click(window, button);
            EXPECT_EQ(SendDlgItemMessageW(window, IDC_PRESET_LIST, LB_GETCURSEL, 0, 0), selected) << button;
        }
        lines = listItems(window, IDC_PRESET_LIST);
        SendMessageW(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(lines, (Texts{"320x240", "100x100", "150x150", "300x300", "250x250", "350x350", "400x400", "450x450",
                            "500x500", "0x0"}));  // empty fields add 0x0
    ASSERT_EQ(table.count(), 10);
    EXPECT_EQ(table.slots[0].width, 320);
    EXPECT_EQ(table.slots[0].height, 240);
    EXPECT_EQ(table.slots[4].width, 250);
}

// The sizes read from each kind of file are the unit tests' table; here drops
// reach them and the fields go into the page.
TEST(PlaybackDialogs, DropsFillTheFieldsAndPlayWritesThePageFromThem) {
    ProgramFiles files;
    // The browser is the window commander, which writes the address it gets beside itself.
    files.write("set.ini", "[Browser]\r\nFlag=1\r\nPath=" + files.file("ui_window_commander.exe") + "\r\n");
    files.write("anim.spch", "image_width=400\r\nIMAGE_HEIGHT=300\r\nlayer_max=5\r\n\r\n");
    files.write("pic[x640y480].pch", "PCH bytes");
    files.write("PCHViewer.jar", "");  // a Java applet's animation plays only with it
    PlaybackDialog dialog;
    BoxWatcher boxes;
    INT_PTR result = runModal(dialog, IDD_PLAYBACK, [&](HWND window) {
        auto fields = [&] { return shown(window, {IDC_PLAYBACK_WIDTH, IDC_PLAYBACK_HEIGHT, IDC_PLAYBACK_LAYERS}); };
        EXPECT_EQ(fields(), "300 | 300 | 2");
        click(window, IDOK);  // without a file: a warning, and the dialog stays
        drop(window, {files.file("anim.spch")});
        EXPECT_EQ(fields(), "400 | 300 | 5");
        drop(window, {"C:\\picture.gif"});
        EXPECT_EQ(textOf(window, IDC_PLAYBACK_PATH), files.file("anim.spch"));
        drop(window, {files.file("pic[x640y480].pch"), "C:\\other[x1y1].pch"});
        EXPECT_EQ(textOf(window, IDC_PLAYBACK_PATH), files.file("pic[x640y480].pch"));
        EXPECT_EQ(fields(), "640 | 480 | 2");
        click(window, IDC_PLAYBACK_PROGRESS);
        click(window, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(dialog.showProgress);
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].text, "ファイル名を指定してください");
    EXPECT_EQ(boxes.seen()[1].text, "\"pch\" か \"spch\" のﾌｧｲﾙを指定してください");
    EXPECT_NE(files.read("anim.html").find("name=\"pch\" width=\"640\" height=\"506\""), std::string::npos);
    std::string expected = "file:///" + files.folder + "/anim.html";
    std::replace(expected.begin(), expected.end(), '\\', '/');
    for (int wait = 0; wait < 100 && !files.exists("stand_in_address.txt"); ++wait) Sleep(50);
    EXPECT_EQ(files.read("stand_in_address.txt"), expected);
}
