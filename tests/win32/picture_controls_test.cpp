// The custom controls: colour swatch, fitted preview and pannable view, read
// back from the screen after painting.
#include <gtest/gtest.h>

#include <windows.h>

#include "image/raster_image.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_pictures.h"
#include "tests/win32/test_dialog_ids.h"
#include "ui/picture_controls.h"

namespace {

class TestDialog : public DialogBase {
public:
    bool onInitDialog(LRESULT& value) override {
        value = TRUE;
        return true;
    }
};

// The test dialog, shown; resize puts a control at its top-left corner with
// the given size in pixels.
class ShownDialog {
public:
    ShownDialog() {
        created_ = dialog_.createModeless(IDD_FRAMEWORK_TEST, nullptr);
        if (created_) dialog_.show(SW_SHOWNORMAL);
    }
    ~ShownDialog() { dialog_.destroy(); }
    bool created() const { return created_; }
    HWND handle() const { return dialog_.handle(); }
    void resize(int id, int width, int height) {
        SetWindowPos(GetDlgItem(handle(), id), HWND_TOP, 0, 0, width, height, 0);
    }

private:
    TestDialog dialog_;
    bool created_ = false;
};

}  // namespace

TEST(FitRule, NeverEnlargesAndKeepsTheProportions) {
    struct Case {
        int32_t w, h, cw, ch, shownW, shownH;
    };
    const Case cases[] = {
        {400, 300, 200, 200, 200, 150},  // wider than tall: full width
        {300, 400, 200, 200, 150, 200},  // taller than wide: full height
        {100, 50, 200, 200, 100, 50},    // fits: as it is
        {200, 200, 200, 200, 200, 200},  // exactly the frame
        {201, 10, 200, 200, 200, 9},     // b = 200 × 10 / 201 truncated
        {32767, 1, 110, 110, 110, 0},    // b = 110 × 1 / 32767 truncates to 0
    };
    for (const Case& c : cases) {
        int32_t w = 0;
        int32_t h = 0;
        fitSize(c.w, c.h, c.cw, c.ch, w, h);
        EXPECT_EQ(w, c.shownW) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.shownH) << c.w << "x" << c.h;
    }
}

TEST(ColourSwatches, PaintTheWholeClientInTheirColour) {
    ShownDialog dialog;
    ASSERT_TRUE(dialog.created());
    ColourSwatch swatch;
    ASSERT_TRUE(swatch.attach(dialog.handle(), IDC_TEST_SWATCH));
    swatch.subclass();
    RECT client;
    GetClientRect(swatch.handle(), &client);
    EXPECT_EQ(swatch.colour(), 0xFFFFFFu);
    EXPECT_EQ(printedPixel(swatch.handle(), 1, 1), 0xFFFFFFu);
    swatch.setColour(RGB(0x12, 0x80, 0xF0));
    EXPECT_EQ(printedPixel(swatch.handle(), 0, 0), RGB(0x12, 0x80, 0xF0));
    EXPECT_EQ(printedPixel(swatch.handle(), client.right - 1, client.bottom - 1), RGB(0x12, 0x80, 0xF0));
}

// A preview of 200 x 200 pixels drawing the picture its holder keeps.
struct ImagePreviews : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dialog.created());
        dialog.resize(IDC_TEST_PREVIEW, 200, 200);
        ASSERT_TRUE(preview.attach(dialog.handle(), IDC_TEST_PREVIEW));
        preview.subclass();
        preview.setPicture(&held);
    }
    ShownDialog dialog;
    RasterImage held;
    ImagePreview preview;
    RasterImage source;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
};

TEST_F(ImagePreviews, WideImageIsFittedAndCentredVertically) {
    ASSERT_TRUE(fillPicture(source, 400, 300, RGB(0xFF, 0, 0)));
    ASSERT_TRUE(preview.showImage(source));
    EXPECT_EQ(held.width(), 200);
    EXPECT_EQ(held.height(), 150);
    EXPECT_EQ(printedPixel(preview.handle(), 100, 24), shadow);
    EXPECT_EQ(printedPixel(preview.handle(), 100, 25), RGB(0xFF, 0, 0));
    EXPECT_EQ(printedPixel(preview.handle(), 100, 174), RGB(0xFF, 0, 0));
    EXPECT_EQ(printedPixel(preview.handle(), 100, 175), shadow);
    EXPECT_FALSE(preview.showFile("no such picture.png"));  // keeps the picture
    EXPECT_EQ(held.width(), 200);
}

TEST_F(ImagePreviews, SmallImageIsShownAsItIsInTheMiddle) {
    ASSERT_TRUE(gradientPicture(source, 100, 50));
    ASSERT_TRUE(preview.showImage(source));
    EXPECT_EQ(held.width(), 100);
    EXPECT_EQ(held.height(), 50);
    EXPECT_EQ(printedPixel(preview.handle(), 49, 75), shadow);
    EXPECT_EQ(printedPixel(preview.handle(), 50, 75), RGB(0, 0, 0));    // picture (0, 0)
    EXPECT_EQ(printedPixel(preview.handle(), 149, 124), RGB(99, 49, 0));  // picture (99, 49): not flipped
    EXPECT_EQ(printedPixel(preview.handle(), 150, 124), shadow);
    held.release();  // the holder drops the picture: only the frame remains
    EXPECT_EQ(printedPixel(preview.handle(), 60, 80), shadow);
}

namespace {

struct PanFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dialog.created());
        dialog.resize(IDC_TEST_PAN, 200, 200);
        ASSERT_TRUE(view.attach(dialog.handle(), IDC_TEST_PAN));
        view.subclass();
    }
    void drag(int fromX, int fromY, int toX, int toY) {
        SendMessageW(view.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(fromX, fromY));
        SendMessageW(view.handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(toX), static_cast<WORD>(toY)));
        SendMessageW(view.handle(), WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(toX), static_cast<WORD>(toY)));
    }
    ShownDialog dialog;
    PanImageView view;
    RasterImage image;
};

}  // namespace

TEST_F(PanFixture, DraggingMovesThePictureWithTheMouseWithinItsEdges) {
    ASSERT_TRUE(gradientPicture(image, 250, 230));
    view.setImage(&image, RGB(0, 0, 0), false);
    drag(100, 100, 60, 90);  // the mouse goes left and up: the view moves right and down
    EXPECT_EQ(view.offsetX(), 40);
    EXPECT_EQ(view.offsetY(), 10);
    EXPECT_EQ(printedPixel(view.handle(), 0, 0), RGB(40, 10, 0));
    drag(100, 100, 0, 0);  // far past the right and bottom edges
    EXPECT_EQ(view.offsetX(), 50);
    EXPECT_EQ(view.offsetY(), 30);
    EXPECT_EQ(printedPixel(view.handle(), 199, 199), RGB(249, 229, 0));
    drag(0, 0, 150, 150);  // back past the left and top edges
    EXPECT_EQ(view.offsetX(), 0);
    EXPECT_EQ(view.offsetY(), 0);
}

TEST_F(PanFixture, NarrowPictureNeverMovesSideways) {
    ASSERT_TRUE(gradientPicture(image, 120, 400));
    view.setImage(&image, RGB(0, 0, 0), false);
    drag(100, 100, 20, 40);
    EXPECT_EQ(view.offsetX(), 0);
    EXPECT_EQ(view.offsetY(), 60);
    SendMessageW(view.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));  // not dragging any more
    EXPECT_EQ(view.offsetY(), 60);
}

TEST_F(PanFixture, NewImageResetsTheOffsetsAndClearingPaintsTheBackground) {
    ASSERT_TRUE(gradientPicture(image, 300, 300));
    view.setImage(&image, RGB(0, 0, 0), false);
    drag(100, 100, 50, 50);
    EXPECT_EQ(view.offsetX(), 50);
    view.setImage(nullptr, RGB(0x20, 0x40, 0x60), true);
    EXPECT_EQ(view.offsetX(), 0);
    EXPECT_EQ(view.offsetY(), 0);
    EXPECT_EQ(printedPixel(view.handle(), 10, 10), RGB(0x20, 0x40, 0x60));  // and it stays cleared
}

TEST_F(PanFixture, CursorIsTheFourWayArrowOverTheClientArea) {
    EXPECT_EQ(SendMessageW(view.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(view.handle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              0);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_SIZEALL)));
}
