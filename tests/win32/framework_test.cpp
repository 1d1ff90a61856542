// The window framework: dispatch and results, the common procedures, the
// thin wrappers, message boxes and the control wrappers, on a test dialog.
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
        calls.push_back("command " + std::to_string(id) + " " + std::to_string(code) + (control ? " window" : " none"));
        return id == 4242;
    }
    bool onHScroll(int code, int position, HWND control) override {
        calls.push_back("hscroll " + std::to_string(code) + " " + std::to_string(position) +
                        (control == item(IDC_TEST_SLIDER) ? " slider" : " other"));
        return true;
    }
    bool onLButtonDown(WPARAM keys, int x, int y) override {
        calls.push_back("ldown " + std::to_string(keys) + " " + std::to_string(x) + " " + std::to_string(y));
        return true;
    }
    bool onMouseWheel(int keys, int delta, int x, int y) override {
        calls.push_back("wheel " + std::to_string(keys) + " " + std::to_string(delta) + " " + std::to_string(x) +
                        " " + std::to_string(y));
        return true;
    }
    bool onSize(WPARAM type, int width, int height) override {
        calls.push_back("size " + std::to_string(type) + " " + std::to_string(width) + " " + std::to_string(height));
        return true;
    }
    bool onUserMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        calls.push_back("user " + std::to_string(message) + " " + std::to_string(wParam) + " " +
                        std::to_string(lParam));
        return true;
    }
};

// A modeless test dialog that lives for one test.
class OpenDialog {
public:
    explicit OpenDialog(DialogBase& dialog) : dialog_(dialog) {
        created_ = dialog.createModeless(IDD_FRAMEWORK_TEST, nullptr);
    }
    ~OpenDialog() { dialog_.destroy(); }
    bool created() const { return created_; }
    HWND handle() const { return dialog_.handle(); }

private:
    DialogBase& dialog_;
    bool created_;
};

class PlainRecorder : public PlainWindow {
public:
    LRESULT hitValue = HTCAPTION;
    bool takeHitTest = false;
    bool onNcHitTest(int, int, LRESULT& value) override {
        if (!takeHitTest) return false;
        value = hitValue;
        return true;
    }
};

}  // namespace

// ---- Dispatch and results ----------------------------------------------------

TEST(DialogResults, InitialisationValueDecidesWhetherTheSystemMovesTheFocus) {
    RecordingDialog keeps;
    keeps.letSystemFocus = false;
    HWND focusKept = nullptr;
    runModal(keeps, IDD_FRAMEWORK_TEST, nullptr, [&](HWND dialog) {
        focusKept = GetFocus();
        EXPECT_EQ(focusKept, GetDlgItem(dialog, IDC_TEST_SECOND_EDIT));
        EndDialog(dialog, 1);
    });
    RecordingDialog moves;
    runModal(moves, IDD_FRAMEWORK_TEST, nullptr, [&](HWND dialog) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_TEST_FIRST_EDIT));
        EndDialog(dialog, 1);
    });
    EXPECT_NE(focusKept, nullptr);
}

TEST(DialogResults, ShowModalReturnsTheEndResultAndEndDialogUnbinds) {
    class Ending : public DialogBase {
    public:
        bool onCommand(int id, int, HWND) override {
            if (id != IDOK) return false;
            endDialog(77);
            boundAfterEnd = handle() != nullptr;
            return true;
        }
        bool boundAfterEnd = true;
    } dialog;
    INT_PTR result = runModal(dialog, IDD_FRAMEWORK_TEST, nullptr, [](HWND window) { command(window, IDOK, 0); });
    EXPECT_EQ(result, 77);
    EXPECT_FALSE(dialog.boundAfterEnd);
    EXPECT_EQ(dialog.handle(), nullptr);
}

TEST(DialogResults, HandledMessagesGiveOneUnhandledZeroAndDestroyCountsAsHandled) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    EXPECT_EQ(dialog.dispatch(WM_COMMAND, MAKEWPARAM(4242, 0), 0), 1);
    EXPECT_EQ(dialog.dispatch(WM_COMMAND, MAKEWPARAM(4243, 0), 0), 0);
    EXPECT_EQ(dialog.dispatch(WM_TIMER, 1, 0), 0);
    EXPECT_EQ(dialog.dispatch(WM_DESTROY, 0, 0), 1);
    LRESULT init = dialog.dispatch(WM_INITDIALOG, 0, 0);
    EXPECT_EQ(init, TRUE);
    EXPECT_EQ(dialog.calls.front(), "init");
}

TEST(DialogResults, ObjectIsBoundFromInitialisationUntilTheWindowIsGone) {
    RecordingDialog dialog;
    {
        OpenDialog open(dialog);
        ASSERT_TRUE(open.created());
        EXPECT_TRUE(IsWindow(dialog.handle()));
        EXPECT_EQ(GetWindowLongPtrW(dialog.handle(), DWLP_USER), reinterpret_cast<LONG_PTR>(&dialog));
    }
    EXPECT_EQ(dialog.handle(), nullptr);
}

TEST(Dispatch, ParametersArriveUnpacked) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    HWND window = dialog.handle();
    HWND edit = GetDlgItem(window, IDC_TEST_FIRST_EDIT);
    dialog.calls.clear();
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(901, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
    SendMessageW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 37),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_TEST_SLIDER)));
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-3), 12));
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), MAKELPARAM(30, 40));
    SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(320, 240));
    SendMessageW(window, WM_USER, 5, 6);
    SendMessageW(window, 0x7FFF, 7, 8);
    SendMessageW(window, WM_APP, 9, 10);  // above the range: not a user message
    std::vector<std::string> expected = {
        "command 901 768 window",       // EN_CHANGE is 0x300
        "hscroll 5 37 slider",          // TB_THUMBTRACK is 5
        "ldown 1 -3 12",
        "wheel 4 -120 30 40",
        "size 0 320 240",
        "user 1024 5 6",
        "user 32767 7 8",
    };
    EXPECT_EQ(dialog.calls, expected);
}

TEST(PlainWindows, HandledMessagesReturnTheValueOthersTheDefault) {
    PlainRecorder window;
    ASSERT_TRUE(window.create(nullptr, WS_OVERLAPPEDWINDOW, "平らな窓", 10, 10, 200, 150));
    RECT client;
    GetClientRect(window.handle(), &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ClientToScreen(window.handle(), &centre);
    LPARAM at = MAKELPARAM(centre.x, centre.y);
    EXPECT_EQ(SendMessageW(window.handle(), WM_NCHITTEST, 0, at), HTCLIENT);
    window.takeHitTest = true;
    EXPECT_EQ(SendMessageW(window.handle(), WM_NCHITTEST, 0, at), HTCAPTION);
    EXPECT_EQ(windowTextOf(window.handle()), "平らな窓");
    window.destroy();
    EXPECT_EQ(window.handle(), nullptr);
}

// ---- Subclassing ------------------------------------------------------------------

namespace {

class CountingControl : public SubclassedControl {
public:
    int paints = 0;
    bool onKeyDown(WPARAM, LPARAM) override { return ++paints > 0; }
};

}  // namespace

TEST(Subclassing, UnhandledMessagesReachThePreviousProcedureHandledOnesReturnZero) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    CountingControl edit;
    ASSERT_TRUE(edit.attach(dialog.handle(), IDC_TEST_FIRST_EDIT));
    edit.subclass();
    EXPECT_EQ(GetWindowLongPtrW(edit.handle(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&WindowBase::windowProcedure));
    dialog.setItemText(IDC_TEST_FIRST_EDIT, "abc");  // WM_SETTEXT goes on to the edit
    EXPECT_EQ(textOf(dialog.handle(), IDC_TEST_FIRST_EDIT), "abc");
    EXPECT_EQ(SendMessageW(edit.handle(), WM_KEYDOWN, VK_END, 0), 0);
    EXPECT_EQ(edit.paints, 1);
    HWND control = edit.handle();
    edit.unsubclass();
    EXPECT_EQ(edit.handle(), nullptr);
    EXPECT_NE(GetWindowLongPtrW(control, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&WindowBase::windowProcedure));
    SendMessageW(control, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(edit.paints, 1);
}

TEST(Subclassing, ControlIsUnboundWhenItsDialogGoes) {
    CountingControl edit;
    {
        RecordingDialog dialog;
        OpenDialog open(dialog);
        ASSERT_TRUE(open.created());
        ASSERT_TRUE(edit.attach(dialog.handle(), IDC_TEST_FIRST_EDIT));
        edit.subclass();
    }
    EXPECT_EQ(edit.handle(), nullptr);
    EXPECT_FALSE(edit.attach(nullptr, 12345));
}

// ---- Thin wrappers ------------------------------------------------------------------

TEST(Wrappers, NumbersSignedAndUnsigned) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    dialog.setItemSigned(IDC_TEST_FIRST_EDIT, -1);
    EXPECT_EQ(textOf(dialog.handle(), IDC_TEST_FIRST_EDIT), "-1");
    EXPECT_EQ(dialog.itemSigned(IDC_TEST_FIRST_EDIT), -1);
    EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_FIRST_EDIT), 0u);
    dialog.setItemUnsigned(IDC_TEST_FIRST_EDIT, 65535);
    EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_FIRST_EDIT), 65535u);
    typeText(dialog.handle(), IDC_TEST_FIRST_EDIT, "abc");
    EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_FIRST_EDIT), 0u);
    EXPECT_EQ(dialog.itemSigned(IDC_TEST_FIRST_EDIT), 0);
    typeText(dialog.handle(), IDC_TEST_FIRST_EDIT, "  250px");
    EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_FIRST_EDIT), 250u);
    typeText(dialog.handle(), IDC_TEST_FIRST_EDIT, "");
    EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_FIRST_EDIT), 0u);
    typeText(dialog.handle(), IDC_TEST_FIRST_EDIT, "4294967296");  // beyond 32 bits
    EXPECT_EQ(dialog.itemUnsigned(IDC_TEST_FIRST_EDIT), 0u);
    typeText(dialog.handle(), IDC_TEST_FIRST_EDIT, "-2147483648");
    EXPECT_EQ(dialog.itemSigned(IDC_TEST_FIRST_EDIT), INT32_MIN);
}

TEST(Wrappers, TextsKeepShiftJisAndAreCutAtWholeCharacters) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    dialog.setItemText(IDC_TEST_FIRST_EDIT, "ソフト保存.txt");
    TextBuffer whole(255);
    dialog.itemText(IDC_TEST_FIRST_EDIT, whole);
    EXPECT_STREQ(whole.text(), "ソフト保存.txt");
    std::string a62(62, 'a');
    dialog.setItemText(IDC_TEST_FIRST_EDIT, (a62 + "ソフ").c_str());
    TextBuffer small;  // 63 bytes: the first double-byte character would end at 64
    dialog.itemText(IDC_TEST_FIRST_EDIT, small);
    EXPECT_EQ(std::string(small.text()), a62);
    std::string a61(61, 'a');
    dialog.setItemText(IDC_TEST_FIRST_EDIT, (a61 + "ソフ").c_str());
    dialog.itemText(IDC_TEST_FIRST_EDIT, small);
    EXPECT_EQ(std::string(small.text()), a61 + "ソ");
    dialog.setItemText(IDC_TEST_FIRST_EDIT, "");
    dialog.itemText(IDC_TEST_FIRST_EDIT, whole);
    EXPECT_TRUE(whole.isEmpty());
}

TEST(Wrappers, CheckEnableShowAndTopmost) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    dialog.checkItem(IDC_TEST_CHECK, true);
    EXPECT_TRUE(dialog.isItemChecked(IDC_TEST_CHECK));
    dialog.checkItem(IDC_TEST_CHECK, false);
    EXPECT_FALSE(dialog.isItemChecked(IDC_TEST_CHECK));
    dialog.enableItem(IDC_TEST_CHECK, false);
    EXPECT_FALSE(isEnabled(dialog.handle(), IDC_TEST_CHECK));
    dialog.enableItem(IDC_TEST_CHECK, true);
    EXPECT_TRUE(isEnabled(dialog.handle(), IDC_TEST_CHECK));
    dialog.show(SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(dialog.handle()));
    dialog.setTopmost(true);
    EXPECT_TRUE(GetWindowLongPtrW(dialog.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    dialog.setTopmost(false);
    EXPECT_FALSE(GetWindowLongPtrW(dialog.handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    int width = 0;
    int height = 0;
    dialog.clientSize(width, height);
    RECT client;
    GetClientRect(dialog.handle(), &client);
    EXPECT_EQ(width, client.right);
    EXPECT_EQ(height, client.bottom);
    EXPECT_TRUE(dialog.postMessage(WM_USER + 1, 2, 3));
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(dialog.calls.back(), "user 1025 2 3");
}

TEST(MessageBoxes, AreSystemModalAndWarnUsesTheDefaultCaptionAndWarningIcon) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    BoxWatcher watcher;
    dialog.warn("ファイル名を指定してください");
    watcher.answer(IDNO);
    int answer = dialog.messageBox("全てデフォルトにしますか？", "確認", MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(answer, IDNO);
    ASSERT_EQ(watcher.seen().size(), 2u);
    EXPECT_EQ(watcher.seen()[0].text, "ファイル名を指定してください");
    EXPECT_TRUE(watcher.seen()[0].topmost);
    EXPECT_EQ(watcher.seen()[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_NE(watcher.seen()[0].caption, "");
    EXPECT_EQ(watcher.seen()[1].caption, "確認");
    EXPECT_TRUE(watcher.seen()[1].topmost);
    EXPECT_EQ(watcher.seen()[1].icon, LoadIconW(nullptr, IDI_QUESTION));
}

// ---- Control wrappers -----------------------------------------------------------------

TEST(ListBoxes, ReplaceKeepsTheSelectionOnlyWhereItWas) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    ListBoxControl list;
    ASSERT_TRUE(list.attach(dialog.handle(), IDC_TEST_LIST));
    list.addString("100x100");
    list.addString("200x200");
    list.insertString(1, "150x150");
    list.setSelection(1);
    list.replaceString(1, "160x120");
    EXPECT_EQ(list.selection(), 1);
    list.replaceString(2, "999x50");
    EXPECT_EQ(list.selection(), 1);
    EXPECT_EQ(listItems(dialog.handle(), IDC_TEST_LIST), (std::vector<std::string>{"100x100", "160x120", "999x50"}));
    list.deleteString(0);
    EXPECT_EQ(list.count(), 2);
    list.setSelection(-1);
    EXPECT_EQ(list.selection(), -1);
    list.replaceString(0, "1x1");
    EXPECT_EQ(list.selection(), -1);
}

TEST(ListBoxes, TextGrowsTheBufferToTheLine) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    ListBoxControl list;
    ASSERT_TRUE(list.attach(dialog.handle(), IDC_TEST_LIST));
    std::string line(100, 'x');
    line += "ｽｸﾛｰﾙﾊﾞｰのﾌﾚｰﾑの明るい色";
    list.addString(line.c_str());
    TextBuffer out;  // 63 characters at first
    list.text(0, out);
    EXPECT_EQ(std::string(out.text()), line);
    list.text(5, out);
    EXPECT_TRUE(out.isEmpty());
}

TEST(ComboBoxes, AddAndSelect) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    ComboBoxControl combo;
    ASSERT_TRUE(combo.attach(dialog.handle(), IDC_TEST_COMBO));
    combo.addString("BMP");
    combo.addString("PNG");
    combo.addString("JPEG");
    combo.setSelection(2);
    EXPECT_EQ(comboSelection(dialog.handle(), IDC_TEST_COMBO), 2);
    EXPECT_EQ(comboItems(dialog.handle(), IDC_TEST_COMBO), (std::vector<std::string>{"BMP", "PNG", "JPEG"}));
    combo.setSelection(9);
    EXPECT_EQ(comboSelection(dialog.handle(), IDC_TEST_COMBO), -1);
}

TEST(TrackBars, ScrollCodesChooseThePosition) {
    RecordingDialog dialog;
    OpenDialog open(dialog);
    ASSERT_TRUE(open.created());
    TrackBarControl slider;
    ASSERT_TRUE(slider.attach(dialog.handle(), IDC_TEST_SLIDER));
    slider.setRange(1, 100, false);
    slider.setPosition(85, true);
    EXPECT_EQ(slider.position(), 85);
    HWND other = GetDlgItem(dialog.handle(), IDC_TEST_OTHER_SLIDER);
    EXPECT_EQ(slider.onScroll(TB_THUMBTRACK, 3, other), -1);
    EXPECT_EQ(slider.position(), 85);
    EXPECT_EQ(slider.onScroll(TB_THUMBTRACK, 42, slider.handle()), 42);
    EXPECT_EQ(slider.position(), 42);
    EXPECT_EQ(slider.onScroll(TB_THUMBPOSITION, 43, slider.handle()), 43);
    EXPECT_EQ(slider.onScroll(TB_TOP, 99, slider.handle()), 1);
    EXPECT_EQ(slider.onScroll(TB_BOTTOM, 5, slider.handle()), 100);
    slider.setPosition(50, false);
    EXPECT_EQ(slider.onScroll(TB_LINEDOWN, 7, slider.handle()), 50);  // the position the bar already moved to
    EXPECT_EQ(slider.onScroll(TB_ENDTRACK, 0, slider.handle()), 50);
    slider.setTick(10);
    EXPECT_EQ(SendMessageW(slider.handle(), TBM_GETTIC, 0, 0), 10);
}

TEST(PopupMenus, ItemsByPositionAndSeparator) {
    PopupMenu menu;
    ASSERT_TRUE(menu.create());
    menu.addItem(0, true, 40101, "100x100");
    menu.addItem(1, true, 40102, "150x150");
    menu.addSeparator(2, true);
    menu.addItem(3, true, 40100, "編集");
    menu.addItem(40101, false, 40200, "前");  // by command: before item 40101
    HMENU handle = menu.handle();
    ASSERT_EQ(GetMenuItemCount(handle), 5);
    EXPECT_EQ(GetMenuItemID(handle, 0), 40200u);
    EXPECT_EQ(GetMenuItemID(handle, 1), 40101u);
    EXPECT_EQ(GetMenuItemID(handle, 4), 40100u);
    EXPECT_TRUE(GetMenuState(handle, 3, MF_BYPOSITION) & MF_SEPARATOR);
    wchar_t text[16] = {};
    GetMenuStringW(handle, 4, text, 16, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), L"\u7DE8\u96C6");  // 編集
}

TEST(PopupMenus, TrackReturnsTheChoiceWhenAsked) {
    PlainRecorder owner;
    ASSERT_TRUE(owner.create(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "owner", 10, 10, 200, 150));
    SetForegroundWindow(owner.handle());
    PopupMenu menu;
    ASSERT_TRUE(menu.create());
    menu.addItem(0, true, 40101, "100x100");
    menu.addItem(1, true, 40102, "150x150");
    // The menu runs its own loop: choose the second item with the keyboard.
    struct Keys {
        static void CALLBACK press(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            INPUT keys[4] = {};
            for (INPUT& k : keys) k.type = INPUT_KEYBOARD;
            keys[0].ki.wVk = VK_DOWN;
            keys[1].ki.wVk = VK_DOWN;
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            keys[2].ki.wVk = VK_RETURN;
            keys[3].ki.wVk = VK_RETURN;
            keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, keys, sizeof(INPUT));
            SendInput(2, keys, sizeof(INPUT));
            SendInput(2, keys + 2, sizeof(INPUT));
        }
    };
    SetTimer(nullptr, 0, 200, &Keys::press);
    int chosen = menu.track(owner.handle(), 20, 20, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN);
    EXPECT_EQ(chosen, 40102);
}
