#include "tests/win32/dialog_driver.h"

#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

#include "app/program_folder.h"
#include "app/text_buffer.h"
#include "image/png_writer.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"

using platform::win32::narrow;
using platform::win32::wide;

namespace {

constexpr int boxTextId = 0xFFFF;  // the static that holds a message box's text
constexpr int boxIconId = 0x0440;  // the static that holds its icon
constexpr UINT watchInterval = 20;
constexpr UINT giveUpDelay = 8000;
// The files the program and the tests write into the program folder.
const char* const leftovers[] = {"set.ini",     "draw.html",   "anim.html", "_load.dat",  "_post.dat",
                                 "_tmppng.dat", "_tmppch.dat", "_prev.dat", "anim.spch",  "pic[x640y480].pch",
                                 "res\\a.png",  "res\\pen.GIF", "res\\readme.txt", "stand_in_address.txt"};

BoxWatcher* answering = nullptr;
DialogWatcher* watching = nullptr;

BOOL CALLBACK collectDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

// The visible dialogs and message boxes of this thread.
std::vector<HWND> threadDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), collectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK endStuckDialogs(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    for (HWND window : threadDialogs()) EndDialog(window, -2);
}

}  // namespace

BoxWatcher::BoxWatcher() : timer_(SetTimer(nullptr, 0, watchInterval, &BoxWatcher::tick)) { answering = this; }

BoxWatcher::~BoxWatcher() {
    KillTimer(nullptr, timer_);
    answering = nullptr;
}

void CALLBACK BoxWatcher::tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!answering) return;
    for (HWND box : threadDialogs()) {
        if (!GetDlgItem(box, boxTextId)) continue;
        int button = LOWORD(SendMessageW(box, DM_GETDEFID, 0, 0));
        if (!answering->answers_.empty()) {
            button = answering->answers_.front();
            answering->answers_.pop_front();
        }
        bool topmost = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageW(box, boxIconId, STM_GETICON, 0, 0));
        answering->seen_.push_back({textOf(box, boxTextId), windowTextOf(box), topmost, icon});
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    }
}

DialogWatcher::DialogWatcher(HWND except, std::function<void(HWND)> script)
    : except_(except),
      script_(std::move(script)),
      outer_(watching),
      timer_(SetTimer(nullptr, 0, watchInterval, &DialogWatcher::tick)) {
    watching = this;
}

DialogWatcher::~DialogWatcher() {
    KillTimer(nullptr, timer_);
    watching = outer_;
}

void CALLBACK DialogWatcher::tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogWatcher* watcher = watching;
    if (!watcher || watcher->ran_) return;
    for (HWND window : threadDialogs()) {
        if (window == watcher->except_ || GetDlgItem(window, boxTextId)) continue;
        watcher->ran_ = true;
        watcher->script_(window);
        return;
    }
}

INT_PTR runModal(DialogBase& dialog, int templateId, const std::function<void(HWND)>& script) {
    DialogWatcher watcher(nullptr, script);
    UINT_PTR giveUp = SetTimer(nullptr, 0, giveUpDelay, endStuckDialogs);
    INT_PTR result = dialog.showModal(templateId, nullptr);
    KillTimer(nullptr, giveUp);
    return result;
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

COLORREF printedPixel(HWND window, int x, int y) {
    RECT client{};
    GetClientRect(window, &client);
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

void choose(HWND dialog, int comboId, int index) {
    SendDlgItemMessageW(dialog, comboId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    command(dialog, comboId, CBN_SELCHANGE);
}

void typeText(HWND dialog, int id, const char* text) { SetDlgItemTextW(dialog, id, wide(text).c_str()); }

std::string windowTextOf(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(window, text.data(), n + 1);
    return narrow(text.c_str());
}

std::string textOf(HWND dialog, int id) { return windowTextOf(GetDlgItem(dialog, id)); }

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::string shown(HWND dialog, std::initializer_list<int> ids) {
    std::string all;
    for (int id : ids) {
        HWND control = GetDlgItem(dialog, id);
        LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK;
        wchar_t className[16] = {};
        GetClassNameW(control, className, 16);
        bool box = std::wstring(className) == L"Button" && type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON;
        if (!all.empty()) all += " | ";
        if (!IsWindowEnabled(control)) all += "~";
        all += box ? (isChecked(dialog, id) ? "[x]" : "[ ]") : windowTextOf(control);
    }
    return all;
}

std::string enabled(HWND dialog, std::initializer_list<int> ids) {
    std::string states;
    for (int id : ids) states += IsWindowEnabled(GetDlgItem(dialog, id)) ? "1" : "0";
    return states;
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

HDROP makeDrop(const std::vector<std::string>& paths) {
    std::wstring list;
    for (const std::string& path : paths) list += wide(path.c_str()) + L'\0';
    list.push_back(L'\0');
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

bool testPicture(RasterImage& image, int32_t width, int32_t height, COLORREF colour, const char* pngPath) {
    if (!image.create(width, height)) return false;
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            COLORREF c = colour == CLR_INVALID ? RGB(x, y, 0) : colour;
            uint8_t* p = image.pixelAddress(x, y);
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    }
    PngRaster raster;
    return !pngPath || (preparePng(image, raster, 24, nullptr, 0) && writePng(raster, pngPath, 6, -1));
}

ProgramFiles::ProgramFiles() {
    TextBuffer found(pathCapacity);
    programFolder(found);
    folder = found.text();
    removeAll();
    enterProgramFolder();
}

ProgramFiles::~ProgramFiles() {
    enterProgramFolder();
    removeAll();
}

void ProgramFiles::removeAll() const {
    for (const char* name : leftovers) platform::deleteFile(file(name).c_str());
    RemoveDirectoryW(wide(file("res").c_str()).c_str());
}

void ProgramFiles::write(const std::string& name, const std::string& bytes) const {
    if (name.rfind("res\\", 0) == 0) CreateDirectoryW(wide(file("res").c_str()).c_str(), nullptr);
    std::ofstream(wide(file(name).c_str()).c_str(), std::ios::binary) << bytes;
}

std::string ProgramFiles::read(const std::string& name) const {
    std::ifstream in(wide(file(name).c_str()).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ProgramFiles::exists(const std::string& name) const {
    return GetFileAttributesW(wide(file(name).c_str()).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ProgramFiles::setting(const char* section, const char* key) const {
    char value[512];
    platform::profileText(section, key, "<absent>", value, sizeof value, file("set.ini").c_str());
    return value;
}
