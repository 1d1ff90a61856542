// The JPEG preview and thumbnail dialogs on a submitted picture in a fresh
// program folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_pictures.h"
#include "ui/dialogs/jpeg_preview_dialog.h"
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

TEST_F(JpegPreview, OpensAtTheGivenSettingAndOkReturnsIt) {
    dialog.setting = 0x8055;
    std::string shown;
    int marker = 0;
    std::string expectedSize;
    INT_PTR result = runModal(dialog, IDD_JPEG_PREVIEW, nullptr, [&](HWND window) {
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETPOS, 0, 0), 85);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETRANGEMIN, 0, 0), 1);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_JPEG_SLIDER, TBM_GETNUMTICS, 0, 0), 2 + 11);  // ends and 1, 10 … 100
        EXPECT_EQ(textOf(window, IDC_JPEG_QUALITY), "85");
        EXPECT_TRUE(isChecked(window, IDC_JPEG_PROGRESSIVE));
        shown = textOf(window, IDC_JPEG_FILE_SIZE);
        expectedSize = sizeText(folder);
        marker = frameMarker(folder.read(previewFile));
        click(window, IDOK);
    });
    EXPECT_EQ(result, 0x8055);
    EXPECT_EQ(shown, expectedSize);
    EXPECT_EQ(marker, 0xC2);
    EXPECT_FALSE(folder.exists(previewFile));
}

TEST_F(JpegPreview, EveryChangeEncodesAgain) {
    dialog.setting = 90;
    std::string before, after, expected;
    int marker = 0;
    INT_PTR result = runModal(dialog, IDD_JPEG_PREVIEW, nullptr, [&](HWND window) {
        EXPECT_FALSE(isChecked(window, IDC_JPEG_PROGRESSIVE));
        EXPECT_EQ(frameMarker(folder.read(previewFile)), 0xC0);
        before = textOf(window, IDC_JPEG_FILE_SIZE);
        HWND slider = GetDlgItem(window, IDC_JPEG_SLIDER);
        SendMessageW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 10), reinterpret_cast<LPARAM>(slider));
        EXPECT_EQ(textOf(window, IDC_JPEG_QUALITY), "10");
        after = textOf(window, IDC_JPEG_FILE_SIZE);
        expected = sizeText(folder);
        click(window, IDC_JPEG_PROGRESSIVE);
        marker = frameMarker(folder.read(previewFile));
        click(window, IDOK);
    });
    EXPECT_EQ(result, 0x8000 + 10);
    EXPECT_NE(before, after);
    EXPECT_EQ(after, expected);
    EXPECT_EQ(marker, 0xC2);
}

TEST_F(JpegPreview, ScrollsFromAnotherControlAreNotHandled) {
    dialog.setting = 50;
    runModal(dialog, IDD_JPEG_PREVIEW, nullptr, [&](HWND window) {
        EXPECT_EQ(dialog.dispatch(WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 7), reinterpret_cast<LPARAM>(window)), 0);
        EXPECT_EQ(textOf(window, IDC_JPEG_QUALITY), "50");
        click(window, IDOK);
    });
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
