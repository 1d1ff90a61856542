#include "ui/controls.h"

#include <commctrl.h>

#include <string>

#include "app/text_buffer.h"
#include "platform/win32/wide.h"

using platform::win32::narrow;
using platform::win32::wide;

namespace {

LPARAM textParameter(const std::wstring& text) { return reinterpret_cast<LPARAM>(text.c_str()); }

}  // namespace

// ---- ComboBoxControl ----------------------------------------------------------

void ComboBoxControl::addString(const char* text) {
    SendMessageW(handle(), CB_ADDSTRING, 0, textParameter(wide(text)));
}

// An index outside the list leaves it without a selection.
void ComboBoxControl::setSelection(int index) {
    int count = static_cast<int>(SendMessageW(handle(), CB_GETCOUNT, 0, 0));
    SendMessageW(handle(), CB_SETCURSEL, static_cast<WPARAM>(index >= 0 && index < count ? index : -1), 0);
}

int ComboBoxControl::selection() const { return static_cast<int>(SendMessageW(handle(), CB_GETCURSEL, 0, 0)); }

// ---- ListBoxControl -----------------------------------------------------------

void ListBoxControl::addString(const char* text) { SendMessageW(handle(), LB_ADDSTRING, 0, textParameter(wide(text))); }

void ListBoxControl::insertString(int index, const char* text) {
    SendMessageW(handle(), LB_INSERTSTRING, static_cast<WPARAM>(index), textParameter(wide(text)));
}

void ListBoxControl::deleteString(int index) { SendMessageW(handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0); }

void ListBoxControl::setSelection(int index) {
    SendMessageW(handle(), LB_SETCURSEL, static_cast<WPARAM>(index >= 0 && index < count() ? index : -1), 0);
}

int ListBoxControl::selection() const { return static_cast<int>(SendMessageW(handle(), LB_GETCURSEL, 0, 0)); }

int ListBoxControl::count() const { return static_cast<int>(SendMessageW(handle(), LB_GETCOUNT, 0, 0)); }

void ListBoxControl::text(int index, TextBuffer& out) const {
    LRESULT length = SendMessageW(handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) {
        out.clear();
        return;
    }
    std::wstring line(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
    line.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    std::string narrowed = narrow(line.c_str());
    out.grow(static_cast<int>(narrowed.size()));
    out.assign(narrowed.c_str());
}

void ListBoxControl::replaceString(int index, const char* text) {
    bool wasSelected = selection() == index;
    deleteString(index);
    insertString(index, text);
    if (wasSelected) setSelection(index);
}

// ---- TrackBarControl ------------------------------------------------------------

void TrackBarControl::setRange(int minimum, int maximum, bool redraw) {
    SendMessageW(handle(), TBM_SETRANGEMIN, FALSE, minimum);
    SendMessageW(handle(), TBM_SETRANGEMAX, redraw ? TRUE : FALSE, maximum);
}

void TrackBarControl::setPosition(int position, bool redraw) {
    SendMessageW(handle(), TBM_SETPOS, redraw ? TRUE : FALSE, position);
}

void TrackBarControl::setTick(int position) { SendMessageW(handle(), TBM_SETTIC, 0, position); }

int TrackBarControl::position() const { return static_cast<int>(SendMessageW(handle(), TBM_GETPOS, 0, 0)); }

int TrackBarControl::onScroll(int code, int position, HWND control) {
    if (control != handle()) return -1;
    int current = this->position();
    int minimum = static_cast<int>(SendMessageW(handle(), TBM_GETRANGEMIN, 0, 0));
    int maximum = static_cast<int>(SendMessageW(handle(), TBM_GETRANGEMAX, 0, 0));
    int chosen = current;
    switch (code) {
    case TB_THUMBPOSITION:
    case TB_THUMBTRACK: chosen = position; break;
    case TB_TOP: chosen = minimum; break;
    case TB_BOTTOM: chosen = maximum; break;
    default: break;
    }
    setPosition(chosen, false);
    return chosen;
}

// ---- PopupMenu --------------------------------------------------------------------

PopupMenu::~PopupMenu() {
    if (owned_ && menu_) DestroyMenu(menu_);
}

bool PopupMenu::create() {
    if (owned_ && menu_) DestroyMenu(menu_);
    menu_ = CreatePopupMenu();
    owned_ = menu_ != nullptr;
    return owned_;
}

void PopupMenu::addItem(UINT where, bool byPosition, UINT id, const char* text) {
    InsertMenuW(menu_, where, (byPosition ? MF_BYPOSITION : MF_BYCOMMAND) | MF_STRING, id, wide(text).c_str());
}

void PopupMenu::addSeparator(UINT where, bool byPosition) {
    InsertMenuW(menu_, where, (byPosition ? MF_BYPOSITION : MF_BYCOMMAND) | MF_SEPARATOR, 0, nullptr);
}

int PopupMenu::track(HWND owner, int x, int y, UINT flags) {
    return static_cast<int>(TrackPopupMenu(menu_, flags, x, y, 0, owner, nullptr));
}
