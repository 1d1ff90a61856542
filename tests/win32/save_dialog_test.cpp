// The save dialog: its initial state from the choices and the picture, the
// controls enabled by format, the Save checks in their order, the size
// suffix, the help box and the two settings dialogs it opens.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "save/save_choices.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_pictures.h"
#include "ui/dialogs/dialog_save_asker.h"
#include "ui/dialogs/save_dialog.h"
#include "ui/resource_ids.h"

namespace {

using Texts = std::vector<std::string>;

struct SaveDialogTest : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(gradientPicture(picture, 400, 300));  // far more than 256 colours
        settings.saveDir.assign(folder.path().string().c_str());
        settings.saveFile.assign("000");
        fillSaveChoices(settings, hasAnimation, choices);
    }
    INT_PTR run(const std::function<void(HWND)>& script) {
        SaveDialog dialog(settings, choices, picture);
        return runModal(dialog, IDD_SAVE, nullptr, script);
    }
    TempFolder folder;
    Settings settings;
    SaveChoices choices;
    RasterImage picture;
};

}  // namespace

TEST_F(SaveDialogTest, OpensFromTheChoicesTopmostWithoutGifForManyColours) {
    choices.saveType = formatGif;
    choices.jpegSetting = 0x8055;
    choices.transparentColour = 0x80000000u | 0x00FF8040u;
    run([&](HWND window) {
        EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(windowTextOf(window), "保存");
        EXPECT_EQ(textOf(window, IDC_SAVE_FOLDER), folder.path().string());
        EXPECT_EQ(textOf(window, IDC_SAVE_FILE), "000");
        EXPECT_EQ(comboItems(window, IDC_SAVE_FORMAT), (Texts{"BMP", "PNG", "JPEG"}));
        EXPECT_EQ(comboSelection(window, IDC_SAVE_FORMAT), 1);
        EXPECT_TRUE(isChecked(window, IDC_SAVE_PICTURE));     // OptionFlag 23: picture,
        EXPECT_FALSE(isChecked(window, IDC_SAVE_THUMBNAIL));  // no thumbnail,
        EXPECT_TRUE(isChecked(window, IDC_SAVE_ANIMATION));   // animation
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_ANIMATION));
        EXPECT_FALSE(isChecked(window, IDC_SAVE_SIZE_SUFFIX));
        EXPECT_EQ(textOf(window, IDC_SAVE_QUALITY), "85");
        EXPECT_TRUE(isChecked(window, IDC_SAVE_PROGRESSIVE));
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_QUALITY));
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_PROGRESSIVE));
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_JPEG_PREVIEW));
        EXPECT_TRUE(isChecked(window, IDC_SAVE_TRANSPARENT));
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_TRANSPARENT));
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_CHOOSE_COLOUR));
        EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), IDOK);
        click(window, IDCANCEL);
    });
    EXPECT_EQ(choices.saveType, formatPng);
    EXPECT_EQ(choices.imageWidth, 400);
    EXPECT_EQ(choices.imageHeight, 300);
    EXPECT_EQ(choices.thumbWidth, 200);
    EXPECT_EQ(choices.thumbHeight, 150);
}

TEST_F(SaveDialogTest, FewColoursOfferGifAndTheFormatEnablesItsControls) {
    ASSERT_TRUE(fillPicture(picture, 50, 50, RGB(1, 2, 3)));
    choices.saveType = formatGif;
    choices.thumbWidthPercent = 1;
    choices.thumbHeightPercent = 1;
    run([&](HWND window) {
        EXPECT_EQ(comboItems(window, IDC_SAVE_FORMAT), (Texts{"BMP", "PNG", "JPEG", "GIF"}));
        EXPECT_EQ(comboSelection(window, IDC_SAVE_FORMAT), 3);
        auto choose = [&](int format) {
            SendDlgItemMessageW(window, IDC_SAVE_FORMAT, CB_SETCURSEL, format, 0);
            command(window, IDC_SAVE_FORMAT, CBN_SELCHANGE);
        };
        choose(formatJpeg);
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_QUALITY));
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_PROGRESSIVE));
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_JPEG_PREVIEW));
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_TRANSPARENT));
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_CHOOSE_COLOUR));
        choose(formatBmp);
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_QUALITY));
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_TRANSPARENT));
        choose(formatGif);
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_QUALITY));
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_TRANSPARENT));
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_CHOOSE_COLOUR));
        command(window, IDC_SAVE_FORMAT, CBN_DROPDOWN);  // other notifications change nothing
        EXPECT_TRUE(isEnabled(window, IDC_SAVE_TRANSPARENT));
        choose(formatPng);
        click(window, IDOK);
    });
    EXPECT_EQ(choices.saveType, formatPng);
    EXPECT_EQ(choices.thumbWidth, 1);
    EXPECT_EQ(choices.thumbHeight, 1);
}

TEST_F(SaveDialogTest, SaveStoresTheChoices) {
    choices.optionBits = SaveChoices::carriesAnimation;
    INT_PTR result = run([&](HWND window) {
        click(window, IDC_SAVE_THUMBNAIL);
        click(window, IDC_SAVE_PICTURE);
        click(window, IDC_SAVE_TRANSPARENT);
        typeText(window, IDC_SAVE_FILE, "絵の名前");
        SendDlgItemMessageW(window, IDC_SAVE_FORMAT, CB_SETCURSEL, formatJpeg, 0);
        click(window, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(choices.optionBits, SaveChoices::savePicture | SaveChoices::saveThumbnail);
    EXPECT_EQ(choices.saveType, formatJpeg);
    EXPECT_EQ(choices.transparentColour, useTransparency | 0xFFFFFFu);
    EXPECT_STREQ(settings.saveFile.text(), "絵の名前");
    EXPECT_EQ(std::string(settings.saveDir.text()), folder.path().string());
}

TEST_F(SaveDialogTest, QualityIsKeptBetweenOneAndAHundred) {
    auto saveWith = [&](const char* quality, bool tickProgressive) {
        run([&](HWND window) {
            typeText(window, IDC_SAVE_QUALITY, quality);
            if (isChecked(window, IDC_SAVE_PROGRESSIVE) != tickProgressive) click(window, IDC_SAVE_PROGRESSIVE);
            click(window, IDOK);
        });
        return choices.jpegSetting;
    };
    EXPECT_EQ(saveWith("", false), 1);
    EXPECT_EQ(saveWith("250", true), 100 | jpegProgressive);
    EXPECT_EQ(saveWith("0", false), 1);
    EXPECT_EQ(saveWith("42", true), 42 | jpegProgressive);
}

TEST_F(SaveDialogTest, RefusalsComeInOrderAndStoreWhatWasTyped) {
    BoxWatcher boxes;
    std::string missing = folder.path().string() + "\\nowhere";
    INT_PTR result = run([&](HWND window) {
        typeText(window, IDC_SAVE_FOLDER, "");
        click(window, IDOK);
        typeText(window, IDC_SAVE_FOLDER, missing.c_str());
        click(window, IDOK);
        typeText(window, IDC_SAVE_FOLDER, folder.path().string().c_str());
        typeText(window, IDC_SAVE_FILE, "");
        click(window, IDOK);
        typeText(window, IDC_SAVE_FILE, "a,b");
        click(window, IDOK);
        EXPECT_TRUE(IsWindow(window));
        click(window, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(boxes.seen().size(), 4u);
    EXPECT_EQ(boxes.seen()[0].text, "フォルダ名を入力してください");
    EXPECT_EQ(boxes.seen()[1].text, "指定したフォルダが存在しません");
    EXPECT_EQ(boxes.seen()[2].text, "ファイル名を入力してください");
    EXPECT_EQ(boxes.seen()[3].caption, "ファイル名エラー");
    for (const SeenBox& box : boxes.seen()) {
        EXPECT_TRUE(box.topmost);
        EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_WARNING));
    }
    EXPECT_NE(boxes.seen()[0].caption, "");  // the system's own caption
    EXPECT_EQ(std::string(settings.saveDir.text()), folder.path().string());
    EXPECT_STREQ(settings.saveFile.text(), "a,b");
}

TEST_F(SaveDialogTest, EscapeAndTheCloseBoxCancelAndTheAnimationBoxKeepsItsMarkWithoutAnimation) {
    EXPECT_EQ(run([](HWND window) { SendMessageW(window, WM_COMMAND, IDCANCEL, 0); }), 0);
    EXPECT_EQ(run([](HWND window) { SendMessageW(window, WM_CLOSE, 0, 0); }), 0);
    EXPECT_STREQ(settings.saveFile.text(), "000");
    fillSaveChoices(settings, 0, choices);
    run([&](HWND window) {
        EXPECT_FALSE(isEnabled(window, IDC_SAVE_ANIMATION));
        EXPECT_TRUE(isChecked(window, IDC_SAVE_ANIMATION));
        click(window, IDOK);
    });
    EXPECT_EQ(choices.optionBits & SaveChoices::carriesAnimation, 0);
    EXPECT_TRUE(choices.optionBits & SaveChoices::saveAnimation);
}

TEST_F(SaveDialogTest, SizeSuffixIsAddedAndCutAtTheLastBracket) {
    run([&](HWND window) {
        typeText(window, IDC_SAVE_FILE, "a[1]");
        click(window, IDC_SAVE_SIZE_SUFFIX);
        EXPECT_EQ(textOf(window, IDC_SAVE_FILE), "a[1][x400y300]");
        click(window, IDC_SAVE_SIZE_SUFFIX);
        EXPECT_EQ(textOf(window, IDC_SAVE_FILE), "a[1]");
        click(window, IDC_SAVE_SIZE_SUFFIX);
        typeText(window, IDC_SAVE_FILE, "a[1]");  // the suffix deleted by hand
        click(window, IDC_SAVE_SIZE_SUFFIX);
        EXPECT_EQ(textOf(window, IDC_SAVE_FILE), "a");
        click(window, IDC_SAVE_SIZE_SUFFIX);
        click(window, IDC_SAVE_SIZE_SUFFIX);
        EXPECT_EQ(textOf(window, IDC_SAVE_FILE), "a");  // no bracket: nothing happens
        click(window, IDC_SAVE_SIZE_SUFFIX);
        click(window, IDOK);
    });
    EXPECT_STREQ(settings.saveFile.text(), "a[x400y300]");
}

TEST_F(SaveDialogTest, HelpShowsStringThreeAsAQuestion) {
    BoxWatcher boxes;
    run([&](HWND window) {
        click(window, IDC_SAVE_HELP);
        click(window, IDCANCEL);
    });
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].caption, "ヘルプ");
    EXPECT_EQ(boxes.seen()[0].text,
              "ﾌｧｲﾙ名は拡張子を除いた名前で指定してください。\n拡張子はそれぞれ自動的に付きます。\n"
              "ｻﾑﾈｲﾙ画像の場合、先頭に「s_」が付きます。");
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_QUESTION));
}

TEST_F(SaveDialogTest, JpegPreviewResultGoesIntoTheQualityBoxes) {
    ASSERT_TRUE(writePngFile(picture, "_tmppng.dat"));
    choices.saveType = formatJpeg;
    choices.jpegSetting = 85;
    int previewStart = 0;
    run([&](HWND window) {
        DialogWatcher preview(window, [&](HWND nested) {
            previewStart = static_cast<int>(SendDlgItemMessageW(nested, IDC_JPEG_SLIDER, TBM_GETPOS, 0, 0));
            HWND slider = GetDlgItem(nested, IDC_JPEG_SLIDER);
            SendMessageW(nested, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 30), reinterpret_cast<LPARAM>(slider));
            click(nested, IDC_JPEG_PROGRESSIVE);
            click(nested, IDOK);
        });
        click(window, IDC_SAVE_JPEG_PREVIEW);
        EXPECT_TRUE(preview.ran());
        EXPECT_EQ(textOf(window, IDC_SAVE_QUALITY), "30");
        EXPECT_TRUE(isChecked(window, IDC_SAVE_PROGRESSIVE));
        DialogWatcher cancelled(window, [&](HWND nested) { SendMessageW(nested, WM_COMMAND, IDCANCEL, 0); });
        click(window, IDC_SAVE_JPEG_PREVIEW);
        EXPECT_EQ(textOf(window, IDC_SAVE_QUALITY), "30");
        click(window, IDOK);
    });
    EXPECT_EQ(previewStart, 85);
    EXPECT_EQ(choices.jpegSetting, 30 | jpegProgressive);
    EXPECT_FALSE(folder.exists("_prev.dat"));
}

TEST_F(SaveDialogTest, ThumbnailSettingsComeBackWithNewPercentagesOnlyWhenThePictureIsRead) {
    run([&](HWND window) {  // no _tmppng.dat in the folder: the values stay
        click(window, IDC_SAVE_THUMB_SETTINGS);
        click(window, IDOK);
    });
    EXPECT_EQ(choices.thumbWidth, 200);
    EXPECT_EQ(choices.thumbWidthPercent, 50);
    ASSERT_TRUE(writePngFile(picture, "_tmppng.dat"));
    run([&](HWND window) {
        DialogWatcher thumbnail(window, [&](HWND nested) {
            EXPECT_EQ(textOf(nested, IDC_THUMB_WIDTH), "200");
            click(nested, IDC_THUMB_KEEP_RATIO);
            typeText(nested, IDC_THUMB_WIDTH, "100");
            typeText(nested, IDC_THUMB_HEIGHT, "0");
            click(nested, IDOK);
        });
        click(window, IDC_SAVE_THUMB_SETTINGS);
        EXPECT_TRUE(thumbnail.ran());
        click(window, IDOK);
    });
    EXPECT_EQ(choices.thumbWidth, 100);
    EXPECT_EQ(choices.thumbHeight, 1);  // 0 becomes 1
    EXPECT_EQ(choices.thumbWidthPercent, 25);
    EXPECT_EQ(choices.thumbHeightPercent, 0);  // 1 × 100 / 300
}

TEST(DialogSaveAskers, OverwriteQuestionIsYesNoWithCaption) {
    Settings settings;
    DialogSaveAsker asker(settings);
    BoxWatcher boxes;
    boxes.answer(IDYES);
    boxes.answer(IDNO);
    EXPECT_TRUE(asker.confirmOverwrite("000.png\n\nファイルが存在します。上書きしますか？"));
    EXPECT_FALSE(asker.confirmOverwrite("000.png\n\nファイルが存在します。上書きしますか？"));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[0].caption, "確認");
    EXPECT_EQ(boxes.seen()[0].text, "000.png\n\nファイルが存在します。上書きしますか？");
    EXPECT_TRUE(boxes.seen()[0].topmost);
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_QUESTION));
}
