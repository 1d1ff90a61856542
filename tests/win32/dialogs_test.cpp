// The save dialog, the JPEG preview and thumbnail dialogs it opens, and the
// file chooser's preview pane, in-process: the values each shows, computes
// and returns, and its refusals. Then the window framework's field wrappers,
// the fit rule of the previews and the pannable view, on a test dialog of
// their own.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "app/text_buffer.h"
#include "save/save_choices.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_dialog_ids.h"
#include "ui/dialogs/jpeg_preview_dialog.h"
#include "ui/dialogs/save_dialog.h"
#include "ui/dialogs/thumbnail_dialog.h"
#include "ui/file_choosers.h"
#include "ui/picture_controls.h"
#include "ui/resource_ids.h"

namespace {

using Texts = std::vector<std::string>;
constexpr char submitted[] = "_tmppng.dat";
constexpr char previewFile[] = "_prev.dat";

struct SaveDialogs : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(testPicture(picture, 400, 300));  // far more than 256 colours
        settings.saveDir.assign(files.folder.c_str());
        settings.saveFile.assign("000");
        fillSaveChoices(settings, hasAnimation, choices);  // OptionFlag 23: picture and animation
        choices.jpegSetting = 85;
    }
    INT_PTR run(const std::function<void(HWND)>& script) {
        SaveDialog dialog(settings, choices, picture);
        return runModal(dialog, IDD_SAVE, script);
    }
    ProgramFiles files;
    Settings settings;
    SaveChoices choices;
    RasterImage picture;
};

}  // namespace

TEST_F(SaveDialogs, OpensTopmostFromTheChoicesWithoutGifForManyColours) {
    fillSaveChoices(settings, 0, choices);  // no animation: its box keeps its mark, disabled
    choices.saveType = formatGif;
    choices.jpegSetting = 0x8055;
    choices.transparentColour = useTransparency | 0x00FF8040u;
    run([&](HWND window) {
        EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(comboItems(window, IDC_SAVE_FORMAT), (Texts{"BMP", "PNG", "JPEG"}));
        EXPECT_EQ(shown(window, {IDC_SAVE_FILE, IDC_SAVE_FORMAT, IDC_SAVE_PICTURE, IDC_SAVE_THUMBNAIL,
                                 IDC_SAVE_ANIMATION, IDC_SAVE_QUALITY, IDC_SAVE_PROGRESSIVE, IDC_SAVE_TRANSPARENT}),
                  "000 | PNG | [x] | [ ] | ~[x] | ~85 | ~[x] | [x]");
        EXPECT_EQ(printedPixel(GetDlgItem(window, IDC_SAVE_SWATCH), 1, 1), 0x00FF8040u);
        click(window, IDOK);
    });
    EXPECT_EQ(choices.saveType, formatPng);
    EXPECT_EQ(choices.optionBits, SaveChoices::savePicture | SaveChoices::saveAnimation);
}

TEST_F(SaveDialogs, FewColoursOfferGifAndEachFormatEnablesItsControls) {
    ASSERT_TRUE(testPicture(picture, 50, 50, RGB(1, 2, 3)));
    run([&](HWND window) {
        EXPECT_EQ(comboItems(window, IDC_SAVE_FORMAT), (Texts{"BMP", "PNG", "JPEG", "GIF"}));
        auto states = [&] {
            return enabled(window, {IDC_SAVE_QUALITY, IDC_SAVE_PROGRESSIVE, IDC_SAVE_JPEG_PREVIEW, IDC_SAVE_TRANSPARENT,
                                    IDC_SAVE_CHOOSE_COLOUR});
        };
        for (auto [format, expected] :
             {std::pair{formatJpeg, "11100"}, {formatBmp, "00000"}, {formatGif, "00011"}, {formatPng, "00011"}}) {
            choose(window, IDC_SAVE_FORMAT, format);
            EXPECT_EQ(states(), expected) << format;
        }
        click(window, IDOK);
    });
    EXPECT_EQ(choices.saveType, formatPng);
}

TEST_F(SaveDialogs, SaveReturnsTheChoicesWithTheQualityKeptWithinOneToAHundred) {
    choices.optionBits = SaveChoices::carriesAnimation;  // input only
    INT_PTR result = run([&](HWND window) {
        for (int box : {IDC_SAVE_THUMBNAIL, IDC_SAVE_PICTURE, IDC_SAVE_TRANSPARENT, IDC_SAVE_PROGRESSIVE}) {
            click(window, box);
        }
        typeText(window, IDC_SAVE_QUALITY, "250");
        SendDlgItemMessageW(window, IDC_SAVE_FORMAT, CB_SETCURSEL, formatJpeg, 0);
        click(window, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(choices.optionBits, SaveChoices::savePicture | SaveChoices::saveThumbnail);
    EXPECT_EQ(choices.saveType, formatJpeg);
    EXPECT_EQ(choices.jpegSetting, 100 | jpegProgressive);
    EXPECT_EQ(choices.transparentColour, useTransparency | 0xFFFFFFu);
    run([&](HWND window) {
        typeText(window, IDC_SAVE_QUALITY, "");
        click(window, IDOK);
    });
    EXPECT_EQ(choices.jpegSetting, 1 | jpegProgressive);
}

TEST_F(SaveDialogs, RefusalsComeInOrderAndKeepWhatWasTypedHelpIsAQuestionAndCloseCancels) {
    BoxWatcher boxes;
    std::string missing = files.folder + "\\nowhere";
    INT_PTR result = run([&](HWND window) {
        click(window, IDC_SAVE_HELP);
        for (auto [folder, file] : {std::pair{"", "000"}, {missing.c_str(), "000"}, {files.folder.c_str(), ""},
                                    {files.folder.c_str(), "a,b"}}) {
            typeText(window, IDC_SAVE_FOLDER, folder);
            typeText(window, IDC_SAVE_FILE, file);
            click(window, IDOK);
        }
        SendMessageW(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.seen().size(), 5u);
    EXPECT_EQ(boxes.seen()[0].caption, "ヘルプ");
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_QUESTION));
    const Texts refusals{"フォルダ名を入力してください", "指定したフォルダが存在しません",
                         "ファイル名を入力してください"};
    for (size_t n = 0; n < refusals.size(); ++n) EXPECT_EQ(boxes.seen()[n + 1].text, refusals[n]);
    EXPECT_EQ(boxes.seen()[4].caption, "ファイル名エラー");
    for (size_t n = 1; n < 5; ++n) {
        EXPECT_TRUE(boxes.seen()[n].topmost);
        EXPECT_EQ(boxes.seen()[n].icon, LoadIconW(nullptr, IDI_WARNING));
    }
    EXPECT_EQ(std::string(settings.saveDir.text()), files.folder);
    EXPECT_STREQ(settings.saveFile.text(), "a,b");
}

TEST_F(SaveDialogs, SizeSuffixIsAddedAndCutAtTheLastBracket) {
    run([&](HWND window) {
        auto toggle = [&](const char* typed) {
            if (typed) typeText(window, IDC_SAVE_FILE, typed);
            click(window, IDC_SAVE_SIZE_SUFFIX);
            return textOf(window, IDC_SAVE_FILE);
        };
        EXPECT_EQ(toggle("a[1]"), "a[1][x400y300]");
        EXPECT_EQ(toggle(nullptr), "a[1]");
        toggle(nullptr);
        EXPECT_EQ(toggle("a[1]"), "a");  // the suffix deleted by hand: the last bracket goes
        toggle(nullptr);
        EXPECT_EQ(toggle("a"), "a");  // no bracket: nothing happens
        click(window, IDOK);
    });
    EXPECT_STREQ(settings.saveFile.text(), "a");
}

TEST_F(SaveDialogs, JpegPreviewAndThumbnailSettingsComeBackIntoTheChoices) {
    ASSERT_TRUE(testPicture(picture, 400, 300, CLR_INVALID, submitted));
    run([&](HWND window) {
        choose(window, IDC_SAVE_FORMAT, formatJpeg);
        DialogWatcher preview(window, [&](HWND nested) {
            EXPECT_EQ(SendDlgItemMessageW(nested, IDC_JPEG_SLIDER, TBM_GETPOS, 0, 0), 85);
            HWND slider = GetDlgItem(nested, IDC_JPEG_SLIDER);
            SendMessageW(nested, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 30), reinterpret_cast<LPARAM>(slider));
            click(nested, IDC_JPEG_PROGRESSIVE);
            click(nested, IDOK);
        });
        click(window, IDC_SAVE_JPEG_PREVIEW);
        EXPECT_EQ(shown(window, {IDC_SAVE_QUALITY, IDC_SAVE_PROGRESSIVE}), "30 | [x]");
        DialogWatcher cancelled(window, [&](HWND nested) { SendMessageW(nested, WM_COMMAND, IDCANCEL, 0); });
        click(window, IDC_SAVE_JPEG_PREVIEW);
        EXPECT_EQ(shown(window, {IDC_SAVE_QUALITY, IDC_SAVE_PROGRESSIVE}), "30 | [x]");
        DialogWatcher thumbnail(window, [&](HWND nested) {
            EXPECT_EQ(textOf(nested, IDC_THUMB_WIDTH), "200");
            click(nested, IDC_THUMB_KEEP_RATIO);
            typeText(nested, IDC_THUMB_WIDTH, "100");
            typeText(nested, IDC_THUMB_HEIGHT, "0");
            click(nested, IDOK);
        });
        click(window, IDC_SAVE_THUMB_SETTINGS);
        click(window, IDOK);
    });
    EXPECT_EQ(choices.jpegSetting, 30 | jpegProgressive);
    EXPECT_EQ(choices.thumbWidth, 100);
    EXPECT_EQ(choices.thumbHeight, 1);  // 0 becomes 1
    EXPECT_EQ(choices.thumbWidthPercent, 25);
    EXPECT_EQ(choices.thumbHeightPercent, 0);  // 1 × 100 / 300
}

// ---- JPEG preview of a 120 x 90 picture -------------------------------------

TEST(JpegPreviews, OpenAtTheSettingEncodeAgainOnEveryChangeAndReturnTheChoice) {
    ProgramFiles files;
    RasterImage picture;
    ASSERT_TRUE(testPicture(picture, 120, 90, CLR_INVALID, submitted));
    JpegPreviewDialog dialog;
    dialog.setting = 0x8055;
    INT_PTR result = runModal(dialog, IDD_JPEG_PREVIEW, [&](HWND window) {
        EXPECT_EQ(shown(window, {IDC_JPEG_QUALITY, IDC_JPEG_PROGRESSIVE}), "85 | [x]");
        std::string opened = files.read(previewFile);
        auto sizeShown = [&](const std::string& file) {
            return textOf(window, IDC_JPEG_FILE_SIZE).find("(" + std::to_string(file.size()) + "Byte)") != std::string::npos;
        };
        EXPECT_TRUE(sizeShown(opened));
        HWND slider = GetDlgItem(window, IDC_JPEG_SLIDER);
        for (auto [code, position, quality] : {std::tuple{TB_THUMBTRACK, 10, "10"}, {TB_TOP, 99, "1"},
                                               {TB_BOTTOM, 5, "100"}, {TB_THUMBPOSITION, 43, "43"},
                                               {TB_ENDTRACK, 0, "43"}}) {
            SendMessageW(window, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(slider));
            EXPECT_EQ(textOf(window, IDC_JPEG_QUALITY), quality) << code;
        }
        std::string encoded = files.read(previewFile);
        EXPECT_NE(encoded, opened);
        EXPECT_TRUE(sizeShown(encoded));
        click(window, IDC_JPEG_PROGRESSIVE);  // encoded again, now as baseline
        EXPECT_NE(files.read(previewFile), encoded);
        click(window, IDOK);
    });
    EXPECT_EQ(result, 43);
    EXPECT_FALSE(files.exists(previewFile));
    EXPECT_EQ(runModal(dialog, IDD_JPEG_PREVIEW, [](HWND window) { SendMessageW(window, WM_COMMAND, IDCANCEL, 0); }),
              -1);
    EXPECT_FALSE(files.exists(previewFile));
    files.write(submitted, "not a png");  // both dialogs end at once
    bool scripted = false;
    EXPECT_EQ(runModal(dialog, IDD_JPEG_PREVIEW, [&](HWND) { scripted = true; }), -1);
    ThumbnailDialog thumbnail;
    thumbnail.thumbWidth = 7;
    EXPECT_EQ(runModal(thumbnail, IDD_THUMBNAIL, [&](HWND) { scripted = true; }), -1);
    EXPECT_FALSE(scripted);
    EXPECT_EQ(thumbnail.thumbWidth, 7);
}

// ---- Thumbnail settings of a 400 x 300 picture ---------------------------------

TEST(Thumbnails, TiedBoxesFollowTheOneTypedUntiedOnlyItsPairAndTheCloseBoxKeepsTheValues) {
    ProgramFiles files;
    RasterImage picture;
    ASSERT_TRUE(testPicture(picture, 400, 300, CLR_INVALID, submitted));
    ThumbnailDialog dialog;
    dialog.thumbWidth = 200;
    dialog.thumbHeight = 150;
    dialog.thumbType = 1;
    dialog.thumbSetting = 0x8055;
    COLORREF drawn = 0;
    INT_PTR result = runModal(dialog, IDD_THUMBNAIL, [&](HWND window) {
        auto boxes = [&] {
            return shown(window, {IDC_THUMB_WIDTH, IDC_THUMB_HEIGHT, IDC_THUMB_WIDTH_PERCENT, IDC_THUMB_HEIGHT_PERCENT,
                                  IDC_THUMB_KEEP_RATIO});
        };
        EXPECT_EQ(boxes(), "200 | 150 | 50 | 50 | [x]");
        for (auto [box, typed, after] : {std::tuple{IDC_THUMB_WIDTH, "100", "100 | 75 | 25 | 25 | [x]"},
                                         {IDC_THUMB_HEIGHT_PERCENT, "10", "40 | 30 | 10 | 10 | [x]"},
                                         {IDC_THUMB_HEIGHT, "60", "80 | 60 | 20 | 20 | [x]"},
                                         {IDC_THUMB_WIDTH_PERCENT, "50", "200 | 150 | 50 | 50 | [x]"},
                                         {IDC_THUMB_KEEP_RATIO, nullptr, "200 | 150 | 50 | 50 | [ ]"},
                                         {IDC_THUMB_WIDTH, "100", "100 | 150 | 25 | 50 | [ ]"},
                                         {IDC_THUMB_HEIGHT_PERCENT, "10", "100 | 30 | 25 | 10 | [ ]"},
                                         {IDC_THUMB_KEEP_RATIO, nullptr, "100 | 30 | 25 | 10 | [x]"},
                                         {IDC_THUMB_WIDTH, "200", "200 | 150 | 50 | 50 | [x]"}}) {
            if (typed)
                typeText(window, box, typed);
            else
                click(window, box);
            EXPECT_EQ(boxes(), after) << box;
        }
        click(window, IDC_THUMB_UPDATE);
        drawn = printedPixel(GetDlgItem(window, IDC_THUMB_VIEW), 120, 60);  // the gradient at half its size
        EXPECT_EQ(shown(window, {IDC_THUMB_FORMAT, IDC_THUMB_QUALITY, IDC_THUMB_PROGRESSIVE}), "PNG | ~85 | ~[x]");
        choose(window, IDC_THUMB_FORMAT, 2);
        EXPECT_EQ(shown(window, {IDC_THUMB_FORMAT, IDC_THUMB_QUALITY, IDC_THUMB_PROGRESSIVE}), "JPEG | 85 | [x]");
        typeText(window, IDC_THUMB_QUALITY, "250");
        click(window, IDC_THUMB_PROGRESSIVE);
        typeText(window, IDC_THUMB_HEIGHT, "60");
        SendMessageW(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_NEAR(GetRValue(drawn), 240, 3);
    EXPECT_NEAR(GetGValue(drawn), 120, 3);
    EXPECT_EQ(dialog.thumbType, 2);
    EXPECT_EQ(dialog.thumbSetting, 100);  // quality kept to 100, progressive unticked
    EXPECT_EQ(dialog.thumbWidth, 80);
    EXPECT_EQ(dialog.thumbHeight, 60);
}

// ---- The file chooser's preview pane, in a folder of a.png and b.txt ---------

TEST(FileChoosers, PreviewShowsTheSelectedPictureUntilSwitchedOff) {
    TempFolder folder;
    RasterImage red;
    ASSERT_TRUE(testPicture(red, 400, 300, RGB(0xFF, 0, 0), "a.png"));
    folder.write("b.txt", "text");
    TextBuffer filter(255), result(511);
    filter.loadString(IDS_PICTURE_FILTER);
    filter.replaceAll('\n', '\0');
    std::vector<COLORREF> centre;
    DialogWatcher watcher(nullptr, [&](HWND chooser) {
        HWND pane = FindWindowExW(chooser, nullptr, L"#32770", nullptr);
        HWND view = pane ? GetDlgItem(pane, IDC_CHOOSER_PREVIEW) : nullptr;
        HWND shell = FindWindowExW(chooser, nullptr, L"SHELLDLL_DefView", nullptr);
        if (!view || !shell || !isChecked(pane, IDC_CHOOSER_PREVIEW_SWITCH)) {
            SendMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(FindWindowExW(shell, nullptr, L"SysListView32", nullptr), LVM_SETITEMSTATE, 0,
                     reinterpret_cast<LPARAM>(&item));
        RECT client;
        GetClientRect(view, &client);
        pump(300);
        centre.push_back(printedPixel(view, client.right / 2, client.bottom / 2));
        click(pane, IDC_CHOOSER_PREVIEW_SWITCH);
        centre.push_back(printedPixel(view, client.right / 2, client.bottom / 2));
        click(chooser, IDOK);
    });
    FilePreview preview;
    ASSERT_TRUE(chooseOpenFile(&preview, nullptr, IDD_CHOOSER_PREVIEW, filter.text(), "",
                               folder.path().string().c_str(), true, false, result));
    EXPECT_EQ(centre, (std::vector<COLORREF>{RGB(0xFF, 0, 0), GetSysColor(COLOR_BTNSHADOW)}));
    std::string path = result.text();  // a full path
    EXPECT_TRUE(path.find(":\\") == 1 && path.rfind("\\a.png") == path.size() - 6) << path;
}

// ---- Field wrappers and picture controls on the test dialog, shown, with a
// pannable view of 200 x 200 pixels.

namespace {

struct Controls : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dialog.createModeless(IDD_CONTROLS_TEST, nullptr));
        dialog.show(SW_SHOWNORMAL);
        SetWindowPos(dialog.item(IDC_TEST_PAN), HWND_TOP, 0, 0, 200, 200, 0);
    }
    void TearDown() override { dialog.destroy(); }
    class : public DialogBase {
    public:
        bool onInitDialog(LRESULT& value) override {
            value = TRUE;
            return true;
        }
    } dialog;
    RasterImage image;
};

}  // namespace

TEST_F(Controls, NumbersAreReadSignedAndUnsignedAndTextsCutAtWholeCharacters) {
    // Each row: the text typed, then read unsigned and signed.
    const std::tuple<const char*, uint32_t, int32_t> numbers[] = {
        {"-1", 0, -1},  {"65535", 65535, 65535},  {"abc", 0, 0},  {"  250px", 250, 250},
        {"", 0, 0},     {"4294967296", 0, 0},     {"-2147483648", 0, INT32_MIN}};
    for (const auto& [text, asUnsigned, asSigned] : numbers) {
        typeText(dialog.handle(), IDC_TEST_EDIT, text);
        EXPECT_EQ(std::pair(dialog.itemUnsigned(IDC_TEST_EDIT), dialog.itemSigned(IDC_TEST_EDIT)),
                  std::pair(asUnsigned, asSigned)) << text;
    }
    // Each row: the text set, then read into a buffer of 63 bytes.
    const std::string a61(61, 'a'), a62(62, 'a');
    for (const auto& [set, read63] : {std::pair<std::string, std::string>{"ソフト保存.txt", "ソフト保存.txt"},
                                      {a62 + "ソフ", a62}, {a61 + "ソフ", a61 + "ソ"}}) {
        dialog.setItemText(IDC_TEST_EDIT, set.c_str());
        TextBuffer small;
        dialog.itemText(IDC_TEST_EDIT, small);
        EXPECT_EQ(std::string(small.text()), read63);
    }
}

TEST(FitRule, NeverEnlargesAndKeepsTheProportions) {
    // Each row: the picture's width and height, the room's, and the size shown.
    const int32_t cases[][6] = {{400, 300, 200, 200, 200, 150}, {300, 400, 200, 200, 150, 200},
                                {100, 50, 200, 200, 100, 50},   {200, 200, 200, 200, 200, 200},
                                {201, 10, 200, 200, 200, 9},    // 200 × 10 / 201 truncated
                                {32767, 1, 110, 110, 110, 0}};  // 110 × 1 / 32767 truncates to 0
    for (const auto& c : cases) {
        int32_t w = 0, h = 0;
        fitSize(c[0], c[1], c[2], c[3], w, h);
        EXPECT_EQ(std::pair(w, h), std::pair(c[4], c[5])) << c[0] << "x" << c[1];
    }
}

TEST_F(Controls, DraggingPansThePictureWithinItsEdgesAndANewPictureStartsOver) {
    PanImageView pan;
    ASSERT_TRUE(pan.attach(dialog.handle(), IDC_TEST_PAN));
    pan.subclass();
    auto drag = [&](int fromX, int fromY, int toX, int toY) {
        LPARAM to = MAKELPARAM(static_cast<WORD>(toX), static_cast<WORD>(toY));
        SendMessageW(pan.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(fromX, fromY));
        SendMessageW(pan.handle(), WM_MOUSEMOVE, MK_LBUTTON, to);
        SendMessageW(pan.handle(), WM_LBUTTONUP, 0, to);
        return std::to_string(pan.offsetX()) + "," + std::to_string(pan.offsetY());
    };
    ASSERT_TRUE(testPicture(image, 250, 230));
    pan.setImage(&image, RGB(0, 0, 0), false);
    EXPECT_EQ(drag(100, 100, 60, 90), "40,10");  // the mouse goes left and up: the view right and down
    EXPECT_EQ(printedPixel(pan.handle(), 0, 0), RGB(40, 10, 0));
    EXPECT_EQ(drag(100, 100, -20, -30), "50,30");  // past the right and bottom edges, outside the control
    EXPECT_EQ(printedPixel(pan.handle(), 199, 199), RGB(249, 229, 0));
    EXPECT_EQ(drag(0, 0, 150, 150), "0,0");
    ASSERT_TRUE(testPicture(image, 120, 400));  // narrow: never moves sideways
    pan.setImage(&image, RGB(0, 0, 0), false);
    EXPECT_EQ(drag(100, 100, 20, 40), "0,60");
    SendMessageW(pan.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));  // not dragging any more
    EXPECT_EQ(drag(0, 0, 0, 0), "0,60");
    pan.setImage(nullptr, RGB(0x20, 0x40, 0x60), true);
    EXPECT_EQ(drag(100, 100, 100, 100), "0,0");
    EXPECT_EQ(printedPixel(pan.handle(), 10, 10), RGB(0x20, 0x40, 0x60));  // and it stays cleared
    EXPECT_EQ(SendMessageW(pan.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(pan.handle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              0);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEALL)));
}
