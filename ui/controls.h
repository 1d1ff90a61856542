// Wrappers of the standard controls the dialogs use. Each is bound to its
// dialog's control with SubclassedControl::attach and needs no
// subclassing of its own.
#pragma once

#include <windows.h>

#include "ui/window_base.h"

class TextBuffer;

class ComboBoxControl : public SubclassedControl {
public:
    void addString(const char* text);
    // An index outside the list leaves it without a selection.
    void setSelection(int index);
    int selection() const;  // -1 when nothing is selected
};

class ListBoxControl : public SubclassedControl {
public:
    void addString(const char* text);
    void insertString(int index, const char* text);
    void deleteString(int index);
    void setSelection(int index);  // outside the list: no selection
    int selection() const;  // -1 when no line is selected
    int count() const;
    // The text of line index; out grows to the line's length first.
    void text(int index, TextBuffer& out) const;
    // Puts text in place of line index, keeping the line selected when it was.
    void replaceString(int index, const char* text);
};

class TrackBarControl : public SubclassedControl {
public:
    void setRange(int minimum, int maximum, bool redraw);
    void setPosition(int position, bool redraw);
    void setTick(int position);
    int position() const;
    // The position a scroll notification leads to, already set without
    // redraw; -1 when the notification comes from another control.
    int onScroll(int code, int position, HWND control);
};

// A popup menu; the one it made itself is destroyed with it.
class PopupMenu {
public:
    PopupMenu() = default;
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    bool create();
    void addItem(UINT where, bool byPosition, UINT id, const char* text);
    void addSeparator(UINT where, bool byPosition);
    // With TPM_RETURNCMD in flags the chosen command (0 for none) is returned;
    // otherwise the choice arrives at owner as WM_COMMAND.
    int track(HWND owner, int x, int y, UINT flags);
    HMENU handle() const { return menu_; }

private:
    HMENU menu_ = nullptr;
    bool owned_ = false;
};
