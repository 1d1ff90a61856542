#include "ui/window_base.h"

#include <windowsx.h>

#include <string>

#include "app/text_buffer.h"
#include "app/warning.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "ui/text_convert.h"

namespace {

constexpr UINT lastUserMessage = 0x7FFF;
constexpr wchar_t plainClassName[] = L"SketchhavenWindow";

int lowHalf(WPARAM w) { return static_cast<int>(LOWORD(w)); }
int highHalf(WPARAM w) { return static_cast<int>(HIWORD(w)); }
int xOf(LPARAM l) { return GET_X_LPARAM(l); }
int yOf(LPARAM l) { return GET_Y_LPARAM(l); }

}  // namespace

// ---- Dispatch ---------------------------------------------------------------

LRESULT WindowBase::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT value = 0;
    bool handled = false;
    switch (message) {
    case WM_INITDIALOG: handled = onInitDialog(value); break;
    case WM_NCCREATE: handled = onNcCreate(wParam, lParam); break;
    case WM_CREATE: handled = onCreate(wParam, lParam); break;
    case WM_CLOSE: handled = onClose(); break;
    case WM_NCDESTROY: handled = onNcDestroy(wParam, lParam); break;
    case WM_DESTROY: handled = onDestroy(); break;
    case WM_ENDSESSION: handled = onEndSession(wParam, lParam); break;
    case WM_INITMENU: handled = onInitMenu(wParam, lParam); break;
    case WM_INITMENUPOPUP: handled = onInitMenuPopup(wParam, lParam); break;
    case WM_MENUSELECT: handled = onMenuSelect(wParam, lParam); break;
    case WM_CONTEXTMENU: handled = onContextMenu(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_SYSCHAR: handled = onSysChar(wParam, lParam); break;
    case WM_SYSKEYUP: handled = onSysKeyUp(wParam, lParam); break;
    case WM_SYSKEYDOWN: handled = onSysKeyDown(wParam, lParam); break;
    case WM_SYSCOMMAND: handled = onSysCommand(wParam, lParam); break;
    case WM_WINDOWPOSCHANGING: handled = onWindowPosChanging(wParam, lParam); break;
    case WM_WINDOWPOSCHANGED: handled = onWindowPosChanged(wParam, lParam); break;
    case WM_DROPFILES: handled = onDropFiles(reinterpret_cast<HDROP>(wParam)); break;
    case WM_TIMER: handled = onTimer(wParam, lParam); break;
    case WM_COMMAND:
        handled = onCommand(lowHalf(wParam), highHalf(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_NCACTIVATE: handled = onNcActivate(wParam, lParam); break;
    case WM_ACTIVATE: handled = onActivate(wParam, lParam); break;
    case WM_ACTIVATEAPP: handled = onActivateApp(wParam, lParam); break;
    case WM_CHILDACTIVATE: handled = onChildActivate(wParam, lParam); break;
    case WM_ENABLE: handled = onEnable(wParam, lParam); break;
    case WM_ENTERIDLE: handled = onEnterIdle(wParam, lParam); break;
    case WM_KILLFOCUS: handled = onKillFocus(wParam, lParam); break;
    case WM_SETFOCUS: handled = onSetFocus(wParam, lParam); break;
    case WM_SHOWWINDOW: handled = onShowWindow(wParam, lParam); break;
    case WM_MOUSEACTIVATE:
        handled = onMouseActivate(wParam, lowHalf(static_cast<WPARAM>(lParam)),
                                  highHalf(static_cast<WPARAM>(lParam)), value);
        break;
    case WM_NCMOUSEMOVE: handled = onNcMouseMove(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCMBUTTONDBLCLK: handled = onNcMButtonDblClk(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCMBUTTONUP: handled = onNcMButtonUp(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCMBUTTONDOWN: handled = onNcMButtonDown(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCLBUTTONDBLCLK: handled = onNcLButtonDblClk(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCLBUTTONUP: handled = onNcLButtonUp(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCLBUTTONDOWN: handled = onNcLButtonDown(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCRBUTTONDBLCLK: handled = onNcRButtonDblClk(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCRBUTTONUP: handled = onNcRButtonUp(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_NCRBUTTONDOWN: handled = onNcRButtonDown(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_MOUSEMOVE: handled = onMouseMove(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_MBUTTONDBLCLK: handled = onMButtonDblClk(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_MBUTTONUP: handled = onMButtonUp(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_MBUTTONDOWN: handled = onMButtonDown(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_LBUTTONDBLCLK: handled = onLButtonDblClk(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_LBUTTONUP: handled = onLButtonUp(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_LBUTTONDOWN: handled = onLButtonDown(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_RBUTTONDBLCLK: handled = onRButtonDblClk(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_RBUTTONUP: handled = onRButtonUp(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_RBUTTONDOWN: handled = onRButtonDown(wParam, xOf(lParam), yOf(lParam)); break;
    case WM_SETCURSOR:
        handled = onSetCursor(wParam, lowHalf(static_cast<WPARAM>(lParam)), highHalf(static_cast<WPARAM>(lParam)));
        break;
    case WM_MOUSEWHEEL:
        handled = onMouseWheel(lowHalf(wParam), static_cast<short>(HIWORD(wParam)), xOf(lParam), yOf(lParam));
        break;
    case WM_CAPTURECHANGED: handled = onCaptureChanged(wParam, lParam); break;
    case WM_NCHITTEST: handled = onNcHitTest(xOf(lParam), yOf(lParam), value); break;
    case WM_KEYUP: handled = onKeyUp(wParam, lParam); break;
    case WM_KEYDOWN: handled = onKeyDown(wParam, lParam); break;
    case WM_CHAR: handled = onChar(wParam, lParam); break;
    case WM_NCPAINT: handled = onNcPaint(wParam, lParam); break;
    case WM_PAINT: handled = onPaint(); break;
    case WM_DRAWITEM: handled = onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); break;
    case WM_VSCROLL:
        handled = onVScroll(lowHalf(wParam), highHalf(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_HSCROLL:
        handled = onHScroll(lowHalf(wParam), highHalf(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_SIZE:
        handled = onSize(wParam, lowHalf(static_cast<WPARAM>(lParam)), highHalf(static_cast<WPARAM>(lParam)));
        break;
    case WM_SIZING: handled = onSizing(wParam, lParam); break;
    case WM_MOVE: handled = onMove(wParam, lParam); break;
    case WM_MOVING: handled = onMoving(wParam, lParam); break;
    case WM_NOTIFY: handled = onNotify(wParam, reinterpret_cast<NMHDR*>(lParam), value); break;
    case WM_PARENTNOTIFY: handled = onParentNotify(wParam, lParam); break;
    default:
        if (message >= WM_USER && message <= lastUserMessage) handled = onUserMessage(message, wParam, lParam);
        break;
    }
    return finish(!handled, value, message, wParam, lParam);
}

// ---- Default handlers: not handled, WM_DESTROY excepted ------------------------

bool WindowBase::onInitDialog(LRESULT&) { return false; }
bool WindowBase::onNcCreate(WPARAM, LPARAM) { return false; }
bool WindowBase::onCreate(WPARAM, LPARAM) { return false; }
bool WindowBase::onClose() { return false; }
bool WindowBase::onNcDestroy(WPARAM, LPARAM) { return false; }
bool WindowBase::onDestroy() { return true; }
bool WindowBase::onEndSession(WPARAM, LPARAM) { return false; }
bool WindowBase::onInitMenu(WPARAM, LPARAM) { return false; }
bool WindowBase::onInitMenuPopup(WPARAM, LPARAM) { return false; }
bool WindowBase::onMenuSelect(WPARAM, LPARAM) { return false; }
bool WindowBase::onContextMenu(WPARAM, int, int) { return false; }
bool WindowBase::onSysChar(WPARAM, LPARAM) { return false; }
bool WindowBase::onSysKeyUp(WPARAM, LPARAM) { return false; }
bool WindowBase::onSysKeyDown(WPARAM, LPARAM) { return false; }
bool WindowBase::onSysCommand(WPARAM, LPARAM) { return false; }
bool WindowBase::onWindowPosChanging(WPARAM, LPARAM) { return false; }
bool WindowBase::onWindowPosChanged(WPARAM, LPARAM) { return false; }
bool WindowBase::onDropFiles(HDROP) { return false; }
bool WindowBase::onTimer(WPARAM, LPARAM) { return false; }
bool WindowBase::onCommand(int, int, HWND) { return false; }
bool WindowBase::onNcActivate(WPARAM, LPARAM) { return false; }
bool WindowBase::onActivate(WPARAM, LPARAM) { return false; }
bool WindowBase::onActivateApp(WPARAM, LPARAM) { return false; }
bool WindowBase::onChildActivate(WPARAM, LPARAM) { return false; }
bool WindowBase::onEnable(WPARAM, LPARAM) { return false; }
bool WindowBase::onEnterIdle(WPARAM, LPARAM) { return false; }
bool WindowBase::onKillFocus(WPARAM, LPARAM) { return false; }
bool WindowBase::onSetFocus(WPARAM, LPARAM) { return false; }
bool WindowBase::onShowWindow(WPARAM, LPARAM) { return false; }
bool WindowBase::onMouseActivate(WPARAM, int, int, LRESULT&) { return false; }
bool WindowBase::onNcMouseMove(WPARAM, int, int) { return false; }
bool WindowBase::onNcMButtonDblClk(WPARAM, int, int) { return false; }
bool WindowBase::onNcMButtonUp(WPARAM, int, int) { return false; }
bool WindowBase::onNcMButtonDown(WPARAM, int, int) { return false; }
bool WindowBase::onNcLButtonDblClk(WPARAM, int, int) { return false; }
bool WindowBase::onNcLButtonUp(WPARAM, int, int) { return false; }
bool WindowBase::onNcLButtonDown(WPARAM, int, int) { return false; }
bool WindowBase::onNcRButtonDblClk(WPARAM, int, int) { return false; }
bool WindowBase::onNcRButtonUp(WPARAM, int, int) { return false; }
bool WindowBase::onNcRButtonDown(WPARAM, int, int) { return false; }
bool WindowBase::onMouseMove(WPARAM, int, int) { return false; }
bool WindowBase::onMButtonDblClk(WPARAM, int, int) { return false; }
bool WindowBase::onMButtonUp(WPARAM, int, int) { return false; }
bool WindowBase::onMButtonDown(WPARAM, int, int) { return false; }
bool WindowBase::onLButtonDblClk(WPARAM, int, int) { return false; }
bool WindowBase::onLButtonUp(WPARAM, int, int) { return false; }
bool WindowBase::onLButtonDown(WPARAM, int, int) { return false; }
bool WindowBase::onRButtonDblClk(WPARAM, int, int) { return false; }
bool WindowBase::onRButtonUp(WPARAM, int, int) { return false; }
bool WindowBase::onRButtonDown(WPARAM, int, int) { return false; }
bool WindowBase::onSetCursor(WPARAM, int, int) { return false; }
bool WindowBase::onMouseWheel(int, int, int, int) { return false; }
bool WindowBase::onCaptureChanged(WPARAM, LPARAM) { return false; }
bool WindowBase::onNcHitTest(int, int, LRESULT&) { return false; }
bool WindowBase::onKeyUp(WPARAM, LPARAM) { return false; }
bool WindowBase::onKeyDown(WPARAM, LPARAM) { return false; }
bool WindowBase::onChar(WPARAM, LPARAM) { return false; }
bool WindowBase::onNcPaint(WPARAM, LPARAM) { return false; }
bool WindowBase::onPaint() { return false; }
bool WindowBase::onDrawItem(const DRAWITEMSTRUCT&) { return false; }
bool WindowBase::onVScroll(int, int, HWND) { return false; }
bool WindowBase::onHScroll(int, int, HWND) { return false; }
bool WindowBase::onSize(WPARAM, int, int) { return false; }
bool WindowBase::onSizing(WPARAM, LPARAM) { return false; }
bool WindowBase::onMove(WPARAM, LPARAM) { return false; }
bool WindowBase::onMoving(WPARAM, LPARAM) { return false; }
bool WindowBase::onNotify(WPARAM, NMHDR*, LRESULT&) { return false; }
bool WindowBase::onParentNotify(WPARAM, LPARAM) { return false; }
bool WindowBase::onUserMessage(UINT, WPARAM, LPARAM) { return false; }

// ---- The common procedures --------------------------------------------------------

LRESULT CALLBACK WindowBase::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* object = nullptr;
    if (message == WM_NCCREATE || message == WM_CREATE) {
        object = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (object) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
            object->handle_ = window;
        }
    } else {
        object = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!object) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = object->dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {  // the window is gone: nothing may reach the object any more
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (object->handle_ == window) object->handle_ = nullptr;
    }
    return result;
}

INT_PTR CALLBACK WindowBase::dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* object = nullptr;
    if (message == WM_INITDIALOG) {
        object = reinterpret_cast<WindowBase*>(lParam);
        if (!object) return 0;
        object->handle_ = window;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    } else {
        object = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!object) return 0;
    INT_PTR result = object->dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {  // the window is gone: nothing may reach the object any more
        SetWindowLongPtrW(window, DWLP_USER, 0);
        if (object->handle_ == window) object->handle_ = nullptr;
    }
    return result;
}

// ---- Thin wrappers ----------------------------------------------------------------

// Reads a number as the dialog manager does on Windows: blanks skipped, then
// decimal digits up to the first other character; a text that starts with no
// digit, or a number beyond the type, reads as 0.
int64_t WindowBase::itemNumber(int id, bool allowSign) const {
    HWND control = item(id);
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    size_t i = 0;
    while (text[i] == L' ') ++i;
    bool negative = allowSign && text[i] == L'-';
    if (negative) ++i;
    const int64_t limit = allowSign ? (negative ? 2147483648LL : 2147483647LL) : 4294967295LL;
    int64_t value = 0;
    size_t digits = 0;
    for (; text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
        value = value * 10 + (text[i] - L'0');
        if (value > limit) return 0;
    }
    if (digits == 0) return 0;
    return negative ? -value : value;
}

int32_t WindowBase::itemSigned(int id) const { return static_cast<int32_t>(itemNumber(id, true)); }

uint32_t WindowBase::itemUnsigned(int id) const { return static_cast<uint32_t>(itemNumber(id, false)); }

void WindowBase::setItemSigned(int id, int32_t value) { SetDlgItemInt(handle_, id, static_cast<UINT>(value), TRUE); }

void WindowBase::setItemUnsigned(int id, uint32_t value) { SetDlgItemInt(handle_, id, value, FALSE); }

void WindowBase::itemText(int id, TextBuffer& out) const { windowText(item(id), out); }

void WindowBase::setItemText(int id, const char* text) {
    SetDlgItemTextW(handle_, id, platform::win32::wide(text).c_str());
}

void WindowBase::checkItem(int id, bool checked) {
    CheckDlgButton(handle_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool WindowBase::isItemChecked(int id) const { return IsDlgButtonChecked(handle_, id) == BST_CHECKED; }

void WindowBase::enableItem(int id, bool enabled) { EnableWindow(item(id), enabled ? TRUE : FALSE); }

LRESULT WindowBase::sendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendDlgItemMessageW(handle_, id, message, wParam, lParam);
}

bool WindowBase::postMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return PostMessageW(handle_, message, wParam, lParam) != 0;
}

void WindowBase::show(int command) { ShowWindow(handle_, command); }

void WindowBase::destroy() {
    if (handle_) DestroyWindow(handle_);
}

void WindowBase::invalidate(bool erase) { InvalidateRect(handle_, nullptr, erase ? TRUE : FALSE); }

void WindowBase::clientSize(int& width, int& height) const {
    RECT r{};
    GetClientRect(handle_, &r);
    width = r.right - r.left;
    height = r.bottom - r.top;
}

void WindowBase::setTopmost(bool topmost) {
    SetWindowPos(handle_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

int WindowBase::messageBox(const char* text, const char* caption, unsigned style) const {
    return platform::messageBox(handle_, text, caption, style | platform::boxSystemModal);
}

void WindowBase::warn(const char* text) const { showWarning(handle_, text); }

// ---- DialogBase -------------------------------------------------------------------

LRESULT DialogBase::finish(bool notHandled, LRESULT value, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) return value;
    return notHandled ? 0 : 1;
}

INT_PTR DialogBase::showModal(int templateId, HWND owner) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, dialogProcedure,
                           reinterpret_cast<LPARAM>(this));
}

bool DialogBase::createModeless(int templateId, HWND owner) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, dialogProcedure,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void DialogBase::endDialog(INT_PTR result) {
    EndDialog(handle(), result);
    bind(nullptr);
}

// ---- SubclassedControl --------------------------------------------------------------

SubclassedControl::~SubclassedControl() { unsubclass(); }

LRESULT SubclassedControl::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = WindowBase::dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) previousProcedure_ = nullptr;  // the control is gone with its dialog
    return result;
}

LRESULT SubclassedControl::finish(bool notHandled, LRESULT, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!notHandled) return 0;
    if (previousProcedure_) return CallWindowProcW(previousProcedure_, handle(), message, wParam, lParam);
    return DefWindowProcW(handle(), message, wParam, lParam);
}

bool SubclassedControl::attach(HWND dialog, int controlId) {
    bind(GetDlgItem(dialog, controlId));
    return handle() != nullptr;
}

void SubclassedControl::subclass() {
    HWND control = handle();
    if (!control) return;
    unsubclass();
    bind(control);
    SetWindowLongPtrW(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previousProcedure_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowBase::windowProcedure)));
}

void SubclassedControl::unsubclass() {
    if (previousProcedure_ && handle()) {
        SetWindowLongPtrW(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure_));
        SetWindowLongPtrW(handle(), GWLP_USERDATA, 0);
    }
    previousProcedure_ = nullptr;
    bind(nullptr);
}

// ---- PlainWindow --------------------------------------------------------------------

PlainWindow::~PlainWindow() { destroy(); }

LRESULT PlainWindow::finish(bool notHandled, LRESULT value, UINT message, WPARAM wParam, LPARAM lParam) {
    if (notHandled) return DefWindowProcW(handle(), message, wParam, lParam);
    return value;
}

bool PlainWindow::create(HWND parent, DWORD style, const char* title, int x, int y, int width, int height) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExW(module, plainClassName, &existing)) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &WindowBase::windowProcedure;
        windowClass.hInstance = module;
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = plainClassName;
        if (!RegisterClassExW(&windowClass)) return false;
    }
    return CreateWindowExW(0, plainClassName, platform::win32::wide(title).c_str(), style, x, y, width, height, parent,
                           nullptr, module, this) != nullptr;
}
