// The window framework on a test dialog: dispatch and results, binding,
// subclassing, the number and text wrappers and the control wrappers whose
// rules the program's dialogs do not reach.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/text_buffer.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_dialog_ids.h"
#include "ui/controls.h"

namespace {

// A dialog that records what its handlers received.
class RecordingDialog : public DialogBase {
public:
    bool letSystemFocus = true;
    std::vector<std::string> calls;

    bool onInitDialog(LRESULT& value) override {
        calls.push_back("init");
        if (!letSystemFocus) SetFocus(item(IDC_TEST_SECOND_EDIT));
        value = letSystemFocus ? TRUE : FALSE;
        return true;
    }
    bool onCommand(int id, int code, HWND control) override {
        if (id == IDOK) endDialog(77);
        calls.push_back("command " + std::to_string(id) + " " + std::to_string(code) + (control ? " window" : " none"));
        return id == 4242 || id == IDOK;
    }
    bool onHScroll(int code, int position, HWND control) override {
        return record("hscroll", code, position, control == item(IDC_TEST_SLIDER) ? 1 : 0);
    }
    bool onLButtonDown(WPARAM keys, int x, int y) override { return record("ldown", keys, x, y); }
    bool onMouseWheel(int keys, int delta, int x, int y) override { return record("wheel", keys, delta, x, y); }
    bool onSize(WPARAM type, int width, int height) override { return record("size", type, width, height); }
    bool onUserMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return record("user", message, wParam, lParam);
    }

private:
    template <typename... Numbers>
    bool record(const char* name, Numbers... numbers) {
        std::string line = name;
        ((line += " " + std::to_string(numbers)), ...);
        calls.push_back(line);
        return true;
    }
};

// The test dialog, modeless, for one test.
struct OpenDialog : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(dialog.createModeless(IDD_FRAMEWORK_TEST, nullptr)); }
    void TearDown() override { dialog.destroy(); }
    HWND window() const { return dialog.handle(); }
    RecordingDialog dialog;
};

}  // namespace

TEST(DialogResults, TheInitialisationValueDecidesTheFocusAndTheEndResultIsReturned) {
    RecordingDialog keeps;
    keeps.letSystemFocus = false;
    INT_PTR result = runModal(keeps, IDD_FRAMEWORK_TEST, nullptr, [&](HWND dialog) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_TEST_SECOND_EDIT));
        command(dialog, IDOK, 0);
    });
    EXPECT_EQ(result, 77);
    EXPECT_EQ(keeps.handle(), nullptr);  // unbound once ended
    RecordingDialog moves;
    runModal(moves, IDD_FRAMEWORK_TEST, nullptr, [&](HWND dialog) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_TEST_FIRST_EDIT));
        EndDialog(dialog, 1);
    });
}

TEST_F(OpenDialog, HandledMessagesGiveOneUnhandledZeroAndTheObjectIsBound) {
    EXPECT_EQ(GetWindowLongPtrW(window(), DWLP_USER), reinterpret_cast<LONG_PTR>(&dialog));
    EXPECT_EQ(dialog.dispatch(WM_COMMAND, MAKEWPARAM(4242, 0), 0), 1);
    EXPECT_EQ(dialog.dispatch(WM_COMMAND, MAKEWPARAM(4243, 0), 0), 0);
    EXPECT_EQ(dialog.dispatch(WM_TIMER, 1, 0), 0);
    EXPECT_EQ(dialog.dispatch(WM_DESTROY, 0, 0), 1);  // destroy counts as handled
    EXPECT_EQ(dialog.dispatch(WM_INITDIALOG, 0, 0), TRUE);
}

TEST_F(OpenDialog, ParametersArriveUnpacked) {
    dialog.calls.clear();
    SendMessageW(window(), WM_COMMAND, MAKEWPARAM(901, EN_CHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(window(), IDC_TEST_FIRST_EDIT)));
    SendMessageW(window(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 37),
                 reinterpret_cast<LPARAM>(GetDlgItem(window(), IDC_TEST_SLIDER)));
    SendMessageW(window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-3), 12));
    SendMessageW(window(), WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), MAKELPARAM(30, 40));
    SendMessageW(window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
    SendMessageW(window(), WM_USER, 5, 6);
    SendMessageW(window(), 0x7FFF, 7, 8);
    SendMessageW(window(), WM_APP, 9, 10);  // above the range: not a user message
    dialog.postMessage(WM_USER + 1, 2, 3);
    pump(50);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{
                                "command 901 768 window",  // EN_CHANGE is 0x300
                                "hscroll 5 37 1",          // TB_THUMBTRACK is 5, from the slider
                                "ldown 1 -3 12", "wheel 4 -120 30 40", "size 0 320 240", "user 1024 5 6",
                                "user 32767 7 8", "user 1025 2 3"}));
}

TEST(PlainWindows, HandledMessagesReturnTheValueOthersTheDefault) {
    class HitTest : public PlainWindow {
    public:
        bool take = false;
        bool onNcHitTest(int, int, LRESULT& value) override {
            value = HTCAPTION;
            return take;
        }
    } window;
    ASSERT_TRUE(window.create(nullptr, WS_OVERLAPPEDWINDOW, "平らな窓", 10, 10, 200, 150));
    RECT client;
    GetClientRect(window.handle(), &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ClientToScreen(window.handle(), &centre);
    EXPECT_EQ(SendMessageW(window.handle(), WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), HTCLIENT);
    window.take = true;
    EXPECT_EQ(SendMessageW(window.handle(), WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), HTCAPTION);
    EXPECT_EQ(windowTextOf(window.handle()), "平らな窓");
    window.destroy();
    EXPECT_EQ(window.handle(), nullptr);
}

TEST(Subclassing, UnhandledMessagesReachThePreviousProcedureAndTheControlIsUnboundWithItsDialog) {
    class KeyCounter : public SubclassedControl {
    public:
        int keys = 0;
        bool onKeyDown(WPARAM, LPARAM) override { return ++keys > 0; }
    } edit, second;
    {
        RecordingDialog dialog;
        ASSERT_TRUE(dialog.createModeless(IDD_FRAMEWORK_TEST, nullptr));
        ASSERT_TRUE(edit.attach(dialog.handle(), IDC_TEST_FIRST_EDIT));
        edit.subclass();
        dialog.setItemText(IDC_TEST_FIRST_EDIT, "abc");  // WM_SETTEXT goes on to the edit
        EXPECT_EQ(textOf(dialog.handle(), IDC_TEST_FIRST_EDIT), "abc");
        EXPECT_EQ(SendMessageW(edit.handle(), WM_KEYDOWN, VK_END, 0), 0);
        EXPECT_EQ(edit.keys, 1);
        HWND control = edit.handle();
        edit.unsubclass();
        EXPECT_EQ(edit.handle(), nullptr);
        EXPECT_NE(GetWindowLongPtrW(control, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&WindowBase::windowProcedure));
        SendMessageW(control, WM_KEYDOWN, VK_END, 0);
        EXPECT_EQ(edit.keys, 1);
        ASSERT_TRUE(second.attach(dialog.handle(), IDC_TEST_SECOND_EDIT));
        second.subclass();
        dialog.destroy();
    }
    EXPECT_EQ(second.handle(), nullptr);
    EXPECT_FALSE(second.attach(nullptr, 12345));
}

TEST_F(OpenDialog, NumbersAreReadSignedAndUnsigned) {
    struct Case {
        const char* text;
        uint32_t asUnsigned;
        int32_t asSigned;
    };
    for (Case c : {Case{"-1", 0, -1}, Case{"65535", 65535, 65535}, Case{"abc", 0, 0}, Case{"  250px", 250, 250},
                   Case{"", 0, 0}, Case{"4294967296", 0, 0}, Case{"-2147483648", 0, INT32_MIN}}) {
        typeText(window(), IDC_TEST_FIRST_EDIT, c.text);
        EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_FIRST_EDIT), c.asUnsigned) << c.text;
        EXPECT_EQ(dialog.itemSigned(IDC_TEST_FIRST_EDIT), c.asSigned) << c.text;
    }
    dialog.setItemSigned(IDC_TEST_FIRST_EDIT, -1);
    EXPECT_EQ(textOf(window(), IDC_TEST_FIRST_EDIT), "-1");
    dialog.setItemUnsigned(IDC_TEST_FIRST_EDIT, 4294967295u);
    EXPECT_EQ(textOf(window(), IDC_TEST_FIRST_EDIT), "4294967295");
}

TEST_F(OpenDialog, TextsKeepShiftJisAndAreCutAtWholeCharacters) {
    const std::string a61(61, 'a'), a62(62, 'a');
    struct Case {
        std::string set, read63;  // read into a buffer of 63 bytes
    };
    for (const Case& c : {Case{"ソフト保存.txt", "ソフト保存.txt"}, Case{a62 + "ソフ", a62}, Case{a61 + "ソフ", a61 + "ソ"},
                          Case{"", ""}}) {
        dialog.setItemText(IDC_TEST_FIRST_EDIT, c.set.c_str());
        TextBuffer small;
        dialog.itemText(IDC_TEST_FIRST_EDIT, small);
        EXPECT_EQ(std::string(small.text()), c.read63);
    }
}

TEST_F(OpenDialog, ListBoxReplaceKeepsTheSelectionOnlyWhereItWasAndTextGrowsTheBuffer) {
    ListBoxControl list;
    ASSERT_TRUE(list.attach(window(), IDC_TEST_LIST));
    list.addString("100x100");
    list.addString("200x200");
    list.insertString(1, "150x150");
    list.setSelection(1);
    list.replaceString(1, "160x120");
    EXPECT_EQ(list.selection(), 1);
    list.replaceString(2, "999x50");
    EXPECT_EQ(list.selection(), 1);
    list.setSelection(-1);
    list.replaceString(0, "1x1");
    EXPECT_EQ(list.selection(), -1);
    EXPECT_EQ(listItems(window(), IDC_TEST_LIST), (std::vector<std::string>{"1x1", "160x120", "999x50"}));
    std::string line = std::string(100, 'x') + "ｽｸﾛｰﾙﾊﾞｰのﾌﾚｰﾑの明るい色";
    list.addString(line.c_str());
    TextBuffer out;  // 63 characters at first
    list.text(3, out);
    EXPECT_EQ(std::string(out.text()), line);
    list.text(5, out);
    EXPECT_TRUE(out.isEmpty());
    list.deleteString(0);
    EXPECT_EQ(list.count(), 3);
}

TEST_F(OpenDialog, TrackBarScrollCodesChooseThePosition) {
    TrackBarControl slider;
    ASSERT_TRUE(slider.attach(window(), IDC_TEST_SLIDER));
    slider.setRange(1, 100, false);
    slider.setPosition(85, true);
    EXPECT_EQ(slider.onScroll(TB_THUMBTRACK, 3, GetDlgItem(window(), IDC_TEST_OTHER_SLIDER)), -1);
    EXPECT_EQ(slider.position(), 85);
    struct Case {
        int code, position, result;
    };
    for (Case c : {Case{TB_THUMBTRACK, 42, 42}, Case{TB_THUMBPOSITION, 43, 43}, Case{TB_TOP, 99, 1},
                   Case{TB_BOTTOM, 5, 100}, Case{TB_LINEDOWN, 7, 100}, Case{TB_ENDTRACK, 0, 100}}) {
        EXPECT_EQ(slider.onScroll(c.code, c.position, slider.handle()), c.result) << c.code;
    }
    slider.setTick(10);
    EXPECT_EQ(SendMessageW(slider.handle(), TBM_GETTIC, 0, 0), 10);
}
