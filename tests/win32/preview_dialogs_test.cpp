// The JPEG preview and thumbnail dialogs on a submitted picture in a fresh
// program folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_pictures.h"
#include "ui/dialogs/jpeg_preview_dialog.h"
#include "ui/dialogs/thumbnail_dialog.h"
#include "ui/resource_ids.h"

namespace {

constexpr char submitted[] = "_tmppng.dat";
constexpr char previewFile[] = "_prev.dat";

// The frame marker of a JPEG file: C0 baseline, C2 progressive; 0 when none.
int frameMarker(const std::string& jpeg) {
    for (size_t i = 2; i + 3 < jpeg.size();) {
        if (static_cast<unsigned char>(jpeg[i]) != 0xFF) return 0;
        int code = static_cast<unsigned char>(jpeg[i + 1]);
        if (code == 0xC0 || code == 0xC2) return code;
        size_t length = static_cast<unsigned char>(jpeg[i + 2]) * 256u + static_cast<unsigned char>(jpeg[i + 3]);
        i += 2 + length;
    }
    return 0;
}

std::string sizeText(const TempFolder& folder) {
    auto n = static_cast<unsigned>(std::filesystem::file_size(folder.path() / previewFile));
    char text[64];
    std::snprintf(text, sizeof text, "%.2fKB (%uByte)", n / 1024.0, n);
    return text;
}

struct JpegPreview : ::testing::Test {
    void SetUp() override {
        RasterImage picture;
        ASSERT_TRUE(gradientPicture(picture, 120, 90));
        ASSERT_TRUE(writePngFile(picture, submitted));
    }
    TempFolder folder;
    JpegPreviewDialog dialog;
};

}  // namespace

TEST_F(JpegPreview, OpensAtTheSettingAndEveryChangeEncodesAgain) {
    dialog.setting = 0x8055;
    std::string shown, expectedShown, after, expectedAfter;
    int opened = 0, changed = 0;
    INT_PTR result = runModal(dialog, IDD_JPEG_PREVIEW, nullptr, [&](HWND window) {
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETPOS, 0, 0), 85);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETRANGEMIN, 0, 0), 1);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETNUMTICS, 0, 0), 2 + 11);  // ends and 1, 10 … 100
        EXPECT_EQ(textOf(window, IDC_JPEG_QUALITY), "85");
        EXPECT_TRUE(isChecked(window, IDC_JPEG_PROGRESSIVE));
        shown = textOf(window, IDC_JPEG_FILE_SIZE);
        expectedShown = sizeText(folder);
        opened = frameMarker(folder.read(previewFile));
        // a scroll from another control is not the slider's
        EXPECT_EQ(dialog.dispatch(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 7), reinterpret_cast<LPARAM>(window)), 0);
        HWND slider = GetDlgItem(window, IDC_JPEG_SLIDER);
        SendMessageW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 10), reinterpret_cast<LPARAM>(slider));
        EXPECT_EQ(textOf(window, IDC_JPEG_QUALITY), "10");
        after = textOf(window, IDC_JPEG_FILE_SIZE);
        expectedAfter = sizeText(folder);
        click(window, IDC_JPEG_PROGRESSIVE);
        changed = frameMarker(folder.read(previewFile));
        click(window, IDOK);
    });
    EXPECT_EQ(result, 10);
    EXPECT_EQ(shown, expectedShown);
    EXPECT_EQ(opened, 0xC2);
    EXPECT_NE(shown, after);
    EXPECT_EQ(after, expectedAfter);
    EXPECT_EQ(changed, 0xC0);
    EXPECT_FALSE(folder.exists(previewFile));
}

TEST_F(JpegPreview, EscapeReturnsMinusOneAndRemovesThePreviewFile) {
    dialog.setting = 0x8055;
    bool existed = false;
    INT_PTR result = runModal(dialog, IDD_JPEG_PREVIEW, nullptr, [&](HWND window) {
        existed = folder.exists(previewFile);
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(existed);
    EXPECT_FALSE(folder.exists(previewFile));
}

TEST(JpegPreviewWithoutPicture, EndsAtOnceWithMinusOne) {
    TempFolder folder;
    folder.write(submitted, "not a png");
    JpegPreviewDialog dialog;
    dialog.setting = 85;
    bool scripted = false;
    INT_PTR result = runModal(dialog, IDD_JPEG_PREVIEW, nullptr, [&](HWND) { scripted = true; });
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(scripted);
    EXPECT_FALSE(folder.exists(previewFile));
}

// ---- Thumbnail settings -------------------------------------------------------

namespace {

struct Thumbnail : ::testing::Test {
    void SetUp() override {
        RasterImage picture;
        ASSERT_TRUE(gradientPicture(picture, 400, 300));
        ASSERT_TRUE(writePngFile(picture, submitted));
        dialog.thumbWidth = 200;
        dialog.thumbHeight = 150;
        dialog.thumbType = 1;
        dialog.thumbSetting = 0x8055;
    }
    INT_PTR run(const std::function<void(HWND)>& script) { return runModal(dialog, IDD_THUMBNAIL, nullptr, script); }
    TempFolder folder;
    ThumbnailDialog dialog;
};

std::vector<std::string> sizeBoxes(HWND window) {
    return {textOf(window, IDC_THUMB_WIDTH), textOf(window, IDC_THUMB_HEIGHT), textOf(window, IDC_THUMB_WIDTH_PERCENT),
            textOf(window, IDC_THUMB_HEIGHT_PERCENT)};
}

using Boxes = std::vector<std::string>;

}  // namespace

TEST_F(Thumbnail, OpensWithTiedProportionsAndTheTiedBoxesFollowTheOneTyped) {
    run([&](HWND window) {
        EXPECT_EQ(sizeBoxes(window), (Boxes{"200", "150", "50", "50"}));
        EXPECT_TRUE(isChecked(window, IDC_THUMB_KEEP_RATIO));
        EXPECT_EQ(comboItems(window, IDC_THUMB_FORMAT), (Boxes{"BMP", "PNG", "JPEG"}));
        EXPECT_EQ(comboSelection(window, IDC_THUMB_FORMAT), 1);
        EXPECT_EQ(textOf(window, IDC_THUMB_QUALITY), "85");
        EXPECT_TRUE(isChecked(window, IDC_THUMB_PROGRESSIVE));
        EXPECT_FALSE(isEnabled(window, IDC_THUMB_QUALITY));
        EXPECT_FALSE(isEnabled(window, IDC_THUMB_PROGRESSIVE));
        typeText(window, IDC_THUMB_WIDTH, "100");
        EXPECT_EQ(sizeBoxes(window), (Boxes{"100", "75", "25", "25"}));
        typeText(window, IDC_THUMB_HEIGHT_PERCENT, "10");
        EXPECT_EQ(sizeBoxes(window), (Boxes{"40", "30", "10", "10"}));
        typeText(window, IDC_THUMB_HEIGHT, "60");
        EXPECT_EQ(sizeBoxes(window), (Boxes{"80", "60", "20", "20"}));
        typeText(window, IDC_THUMB_WIDTH_PERCENT, "75");
        EXPECT_EQ(sizeBoxes(window), (Boxes{"300", "225", "75", "75"}));
        click(window, IDOK);
    });
    EXPECT_EQ(dialog.thumbWidth, 300);
    EXPECT_EQ(dialog.thumbHeight, 225);
}

TEST_F(Thumbnail, UntiedBoxesOnlyMoveTheirOwnPair) {
    run([&](HWND window) {
        click(window, IDC_THUMB_KEEP_RATIO);
        EXPECT_FALSE(isChecked(window, IDC_THUMB_KEEP_RATIO));
        typeText(window, IDC_THUMB_WIDTH, "100");
        EXPECT_EQ(sizeBoxes(window), (Boxes{"100", "150", "25", "50"}));
        typeText(window, IDC_THUMB_HEIGHT_PERCENT, "10");
        EXPECT_EQ(sizeBoxes(window), (Boxes{"100", "30", "25", "10"}));
        click(window, IDOK);
    });
}

TEST_F(Thumbnail, JpegEnablesQualityAndTheCloseBoxKeepsTheValuesLikeOk) {
    INT_PTR result = run([&](HWND window) {
        SendDlgItemMessageW(window, IDC_THUMB_FORMAT, CB_SETCURSEL, 2, 0);
        command(window, IDC_THUMB_FORMAT, CBN_SELCHANGE);
        EXPECT_TRUE(isEnabled(window, IDC_THUMB_QUALITY));
        EXPECT_TRUE(isEnabled(window, IDC_THUMB_PROGRESSIVE));
        typeText(window, IDC_THUMB_QUALITY, "250");
        click(window, IDC_THUMB_PROGRESSIVE);
        typeText(window, IDC_THUMB_WIDTH, "40");
        SendMessageW(window, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.thumbType, 2);
    EXPECT_EQ(dialog.thumbSetting, 100);  // quality kept to 100, progressive unticked
    EXPECT_EQ(dialog.thumbWidth, 40);
    EXPECT_EQ(dialog.thumbHeight, 30);
}

TEST_F(Thumbnail, EmptyQualityGivesOneAndEnterUpdatesThePreviewNotOk) {
    COLORREF after = 0;
    INT_PTR result = run([&](HWND window) {
        HWND view = GetDlgItem(window, IDC_THUMB_VIEW);
        typeText(window, IDC_THUMB_QUALITY, "");
        typeText(window, IDC_THUMB_WIDTH, "0");
        EXPECT_EQ(LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0)), IDC_THUMB_UPDATE);
        click(window, IDC_THUMB_UPDATE);  // a width of 0 draws nothing new
        EXPECT_TRUE(IsWindow(window));
        typeText(window, IDC_THUMB_WIDTH, "200");
        click(window, IDC_THUMB_UPDATE);
        after = printedPixel(view, 120, 60);  // the scaled gradient: red grows to the right
        click(window, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(dialog.thumbSetting, 1 + 0x8000);
    EXPECT_NEAR(GetRValue(after), 240, 3);
    EXPECT_NEAR(GetGValue(after), 120, 3);
}

TEST(ThumbnailWithoutPicture, EndsAtOnceWithMinusOneAndKeepsTheValues) {
    TempFolder folder;
    ThumbnailDialog dialog;
    dialog.thumbWidth = 7;
    INT_PTR result = runModal(dialog, IDD_THUMBNAIL, nullptr, [](HWND) {});
    EXPECT_EQ(result, -1);
    EXPECT_EQ(dialog.thumbWidth, 7);
}
