// The window framework's field wrappers, the fit rule of the previews and
// the pannable view, on a test dialog of their own; pictures read back as the
// view prints them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/text_buffer.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_dialog_ids.h"
#include "ui/picture_controls.h"

namespace {

// The test dialog, shown, with a pannable view of 200 x 200 pixels.
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
    struct Number {
        const char* text;
        uint32_t asUnsigned;
        int32_t asSigned;
    };
    for (Number c :
         {Number{"-1", 0, -1}, Number{"65535", 65535, 65535}, Number{"abc", 0, 0}, Number{"  250px", 250, 250},
          Number{"", 0, 0}, Number{"4294967296", 0, 0}, Number{"-2147483648", 0, INT32_MIN}}) {
        typeText(dialog.handle(), IDC_TEST_EDIT, c.text);
        EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_EDIT), c.asUnsigned) << c.text;
        EXPECT_EQ(dialog.itemSigned(IDC_TEST_EDIT), c.asSigned) << c.text;
    }
    dialog.setItemUnsigned(IDC_TEST_EDIT, 4294967295u);
    EXPECT_EQ(textOf(dialog.handle(), IDC_TEST_EDIT), "4294967295");
    const std::string a61(61, 'a'), a62(62, 'a');
    struct Text {
        std::string set, read63;  // read into a buffer of 63 bytes
    };
    for (const Text& c :
         {Text{"ソフト保存.txt", "ソフト保存.txt"}, Text{a62 + "ソフ", a62}, Text{a61 + "ソフ", a61 + "ソ"}}) {
        dialog.setItemText(IDC_TEST_EDIT, c.set.c_str());
        TextBuffer small;
        dialog.itemText(IDC_TEST_EDIT, small);
        EXPECT_EQ(std::string(small.text()), c.read63);
    }
}

TEST(FitRule, NeverEnlargesAndKeepsTheProportions) {
    struct Case {
        int32_t w, h, cw, ch, shownW, shownH;
    };
    for (Case c :
         {Case{400, 300, 200, 200, 200, 150}, Case{300, 400, 200, 200, 150, 200}, Case{100, 50, 200, 200, 100, 50},
          Case{200, 200, 200, 200, 200, 200}, Case{201, 10, 200, 200, 200, 9},  // 200 × 10 / 201 truncated
          Case{32767, 1, 110, 110, 110, 0}}) {                                  // 110 × 1 / 32767 truncates to 0
        int32_t w = 0, h = 0;
        fitSize(c.w, c.h, c.cw, c.ch, w, h);
        EXPECT_EQ(w, c.shownW) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.shownH) << c.w << "x" << c.h;
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
