#include "tests/win32/dialog_driver.h"

#include <utility>

#include "platform/win32/wide.h"

using platform::win32::narrow;
using platform::win32::wide;

namespace {

constexpr UINT boxTextId = 0xFFFF;  // the static that holds a message box's text
constexpr UINT boxIconId = 0x0440;  // the static that holds its icon
constexpr UINT watchInterval = 20;
constexpr UINT scriptDelay = 50;
constexpr UINT giveUpDelay = 8000;

BoxWatcher* activeWatcher = nullptr;

struct ModalRun {
    DialogBase* dialog;
    const std::function<void(HWND)>* script;
    UINT_PTR scriptTimer;
    UINT_PTR giveUpTimer;
};
ModalRun* activeRun = nullptr;

void CALLBACK runScript(HWND, UINT, UINT_PTR, DWORD) {
    ModalRun* run = activeRun;
    if (!run || !run->scriptTimer) return;
    KillTimer(nullptr, run->scriptTimer);
    run->scriptTimer = 0;
    if (run->dialog->handle()) (*run->script)(run->dialog->handle());
}

void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) {
    ModalRun* run = activeRun;
    if (!run) return;
    KillTimer(nullptr, run->giveUpTimer);
    run->giveUpTimer = 0;
    if (run->dialog->handle()) EndDialog(run->dialog->handle(), -2);
}

bool isDialogWindow(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return std::wstring(className) == L"#32770" && IsWindowVisible(window);
}

DialogWatcher* activeDialogWatcher = nullptr;

struct DialogSearch {
    HWND except;
    HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<DialogSearch*>(search);
    if (window == s->except || !isDialogWindow(window) || GetDlgItem(window, 0xFFFF)) return TRUE;
    s->found = window;
    return FALSE;
}

BOOL CALLBACK collectBox(HWND window, LPARAM found) {
    if (isDialogWindow(window) && GetDlgItem(window, boxTextId)) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

}  // namespace

BoxWatcher::BoxWatcher() {
    activeWatcher = this;
    timer_ = SetTimer(nullptr, 0, watchInterval, &BoxWatcher::tick);
}

BoxWatcher::~BoxWatcher() {
    KillTimer(nullptr, timer_);
    activeWatcher = nullptr;
}

void CALLBACK BoxWatcher::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (activeWatcher) activeWatcher->closeBoxes();
}

void BoxWatcher::closeBoxes() {
    std::vector<HWND> boxes;
    EnumThreadWindows(GetCurrentThreadId(), collectBox, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes) {
        int button = LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0));
        if (!answers_.empty()) {
            button = answers_.front();
            answers_.pop_front();
        }
        bool topmost = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, boxIconId, STM_GETICON, 0, 0));
        seen_.push_back({windowTextOf(GetDlgItem(box, boxTextId)), windowTextOf(box), button, topmost, icon});
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
}

DialogWatcher::DialogWatcher(HWND except, std::function<void(HWND)> script)
    : except_(except), script_(std::move(script)) {
    activeDialogWatcher = this;
    timer_ = SetTimer(nullptr, 0, scriptDelay, &DialogWatcher::tick);
}

DialogWatcher::~DialogWatcher() {
    if (timer_) KillTimer(nullptr, timer_);
    activeDialogWatcher = nullptr;
}

void CALLBACK DialogWatcher::tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogWatcher* watcher = activeDialogWatcher;
    if (!watcher || watcher->ran_) return;
    DialogSearch search{watcher->except_, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return;
    KillTimer(nullptr, watcher->timer_);
    watcher->timer_ = 0;
    watcher->ran_ = true;
    watcher->script_(search.found);
}

void pump(DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

INT_PTR runModal(DialogBase& dialog, int templateId, HWND owner, const std::function<void(HWND)>& script) {
    ModalRun run{&dialog, &script, 0, 0};
    ModalRun* outer = activeRun;
    activeRun = &run;
    run.scriptTimer = SetTimer(nullptr, 0, scriptDelay, runScript);
    run.giveUpTimer = SetTimer(nullptr, 0, giveUpDelay, giveUp);
    INT_PTR result = dialog.showModal(templateId, owner);
    if (run.scriptTimer) KillTimer(nullptr, run.scriptTimer);
    if (run.giveUpTimer) KillTimer(nullptr, run.giveUpTimer);
    activeRun = outer;
    return result;
}

COLORREF printedPixel(HWND window, int x, int y) {
    RECT client{};
    GetClientRect(window, &client);
    if (x < 0 || y < 0 || x >= client.right || y >= client.bottom) return CLR_INVALID;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
    COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return colour;
}

void click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void command(HWND dialog, int id, int code) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void typeText(HWND dialog, int id, const char* text) { SetDlgItemTextW(dialog, id, wide(text).c_str()); }

std::string windowTextOf(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(window, text.data(), n + 1);
    return narrow(text.c_str());
}

std::string textOf(HWND dialog, int id) { return windowTextOf(GetDlgItem(dialog, id)); }

bool isEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

int comboSelection(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0));
}

namespace {

std::vector<std::string> itemsOf(HWND dialog, int id, UINT countMessage, UINT lengthMessage, UINT textMessage) {
    std::vector<std::string> items;
    int n = static_cast<int>(SendDlgItemMessageW(dialog, id, countMessage, 0, 0));
    for (int i = 0; i < n; ++i) {
        LRESULT length = SendDlgItemMessageW(dialog, id, lengthMessage, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        SendDlgItemMessageW(dialog, id, textMessage, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        items.push_back(narrow(text.c_str()));
    }
    return items;
}

}  // namespace

std::vector<std::string> comboItems(HWND dialog, int id) {
    return itemsOf(dialog, id, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

std::vector<std::string> listItems(HWND dialog, int id) {
    return itemsOf(dialog, id, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}
