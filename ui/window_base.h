// The window class family: one object per window, one virtual handler per
// window message. The common window and dialog procedures find the object of a
// window and hand every message to its dispatch, which unpacks the parameters,
// calls the handler and lets finish form the result. Every handler returns
// true when it handled the message; all default to not handled, except
// onDestroy, which reports handled.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

class TextBuffer;

class WindowBase {
public:
    WindowBase() = default;
    virtual ~WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // The window this object is bound to, or null.
    HWND handle() const { return handle_; }

    // The window procedure of the object.
    virtual LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // Forms the result of a message from whether a handler took it.
    virtual LRESULT finish(bool notHandled, LRESULT value, UINT message, WPARAM wParam, LPARAM lParam) = 0;

    // One handler per message, in this order.
    virtual bool onInitDialog(LRESULT& value);
    virtual bool onNcCreate(WPARAM wParam, LPARAM lParam);
    virtual bool onCreate(WPARAM wParam, LPARAM lParam);
    virtual bool onClose();
    virtual bool onNcDestroy(WPARAM wParam, LPARAM lParam);
    virtual bool onDestroy();
    virtual bool onEndSession(WPARAM wParam, LPARAM lParam);
    virtual bool onInitMenu(WPARAM wParam, LPARAM lParam);
    virtual bool onInitMenuPopup(WPARAM wParam, LPARAM lParam);
    virtual bool onMenuSelect(WPARAM wParam, LPARAM lParam);
    virtual bool onContextMenu(WPARAM wParam, int x, int y);
    virtual bool onSysChar(WPARAM wParam, LPARAM lParam);
    virtual bool onSysKeyUp(WPARAM wParam, LPARAM lParam);
    virtual bool onSysKeyDown(WPARAM wParam, LPARAM lParam);
    virtual bool onSysCommand(WPARAM wParam, LPARAM lParam);
    virtual bool onWindowPosChanging(WPARAM wParam, LPARAM lParam);
    virtual bool onWindowPosChanged(WPARAM wParam, LPARAM lParam);
    virtual bool onDropFiles(HDROP drop);
    virtual bool onTimer(WPARAM wParam, LPARAM lParam);
    virtual bool onCommand(int id, int code, HWND control);
    virtual bool onNcActivate(WPARAM wParam, LPARAM lParam);
    virtual bool onActivate(WPARAM wParam, LPARAM lParam);
    virtual bool onActivateApp(WPARAM wParam, LPARAM lParam);
    virtual bool onChildActivate(WPARAM wParam, LPARAM lParam);
    virtual bool onEnable(WPARAM wParam, LPARAM lParam);
    virtual bool onEnterIdle(WPARAM wParam, LPARAM lParam);
    virtual bool onKillFocus(WPARAM wParam, LPARAM lParam);
    virtual bool onSetFocus(WPARAM wParam, LPARAM lParam);
    virtual bool onShowWindow(WPARAM wParam, LPARAM lParam);
    virtual bool onMouseActivate(WPARAM wParam, int hitTest, int mouseMessage, LRESULT& value);
    virtual bool onNcMouseMove(WPARAM keys, int x, int y);
    virtual bool onNcMButtonDblClk(WPARAM keys, int x, int y);
    virtual bool onNcMButtonUp(WPARAM keys, int x, int y);
    virtual bool onNcMButtonDown(WPARAM keys, int x, int y);
    virtual bool onNcLButtonDblClk(WPARAM keys, int x, int y);
    virtual bool onNcLButtonUp(WPARAM keys, int x, int y);
    virtual bool onNcLButtonDown(WPARAM keys, int x, int y);
    virtual bool onNcRButtonDblClk(WPARAM keys, int x, int y);
    virtual bool onNcRButtonUp(WPARAM keys, int x, int y);
    virtual bool onNcRButtonDown(WPARAM keys, int x, int y);
    virtual bool onMouseMove(WPARAM keys, int x, int y);
    virtual bool onMButtonDblClk(WPARAM keys, int x, int y);
    virtual bool onMButtonUp(WPARAM keys, int x, int y);
    virtual bool onMButtonDown(WPARAM keys, int x, int y);
    virtual bool onLButtonDblClk(WPARAM keys, int x, int y);
    virtual bool onLButtonUp(WPARAM keys, int x, int y);
    virtual bool onLButtonDown(WPARAM keys, int x, int y);
    virtual bool onRButtonDblClk(WPARAM keys, int x, int y);
    virtual bool onRButtonUp(WPARAM keys, int x, int y);
    virtual bool onRButtonDown(WPARAM keys, int x, int y);
    virtual bool onSetCursor(WPARAM wParam, int hitTest, int mouseMessage);
    virtual bool onMouseWheel(int keys, int delta, int x, int y);
    virtual bool onCaptureChanged(WPARAM wParam, LPARAM lParam);
    virtual bool onNcHitTest(int x, int y, LRESULT& value);
    virtual bool onKeyUp(WPARAM wParam, LPARAM lParam);
    virtual bool onKeyDown(WPARAM wParam, LPARAM lParam);
    virtual bool onChar(WPARAM wParam, LPARAM lParam);
    virtual bool onNcPaint(WPARAM wParam, LPARAM lParam);
    virtual bool onPaint();
    virtual bool onDrawItem(const DRAWITEMSTRUCT& record);
    virtual bool onVScroll(int code, int position, HWND control);
    virtual bool onHScroll(int code, int position, HWND control);
    virtual bool onSize(WPARAM type, int width, int height);
    virtual bool onSizing(WPARAM wParam, LPARAM lParam);
    virtual bool onMove(WPARAM wParam, LPARAM lParam);
    virtual bool onMoving(WPARAM wParam, LPARAM lParam);
    virtual bool onNotify(WPARAM wParam, NMHDR* record, LRESULT& value);
    virtual bool onParentNotify(WPARAM wParam, LPARAM lParam);
    // Every application-defined message, WM_USER (0x400) to 0x7FFF.
    virtual bool onUserMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // The common procedures. The window procedure binds the object given as
    // creation parameter on WM_NCCREATE or WM_CREATE (subclassed controls carry
    // it in their user data); the dialog procedure binds the one given to
    // WM_INITDIALOG. Messages before binding get the system default.
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK dialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Thin wrappers over the window and the items of a dialog. Texts are code
    // page 932; the conversions to the system's UTF-16 happen here.
    HWND item(int id) const { return GetDlgItem(handle_, id); }
    // A text that holds no number reads as 0.
    int32_t itemSigned(int id) const;
    uint32_t itemUnsigned(int id) const;
    void setItemSigned(int id, int32_t value);
    void setItemUnsigned(int id, uint32_t value);
    // Reads at most out's capacity of characters, never half a character.
    void itemText(int id, TextBuffer& out) const;
    void setItemText(int id, const char* text);
    void checkItem(int id, bool checked);
    bool isItemChecked(int id) const;  // checked means state 1
    void enableItem(int id, bool enabled);
    LRESULT sendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) const;
    bool postMessage(UINT message, WPARAM wParam, LPARAM lParam) const;
    void show(int command);
    void destroy();
    void invalidate(bool erase = true);
    void clientSize(int& width, int& height) const;
    void setTopmost(bool topmost);

    // Message boxes always system-modal, owned by this window. warn is the
    // warning box with the system's default caption.
    int messageBox(const char* text, const char* caption, unsigned style) const;
    void warn(const char* text) const;

protected:
    void bind(HWND window) { handle_ = window; }

private:
    int64_t itemNumber(int id, bool allowSign) const;

    HWND handle_ = nullptr;
};

// A dialog box from a template of the program's resources. The result of
// WM_INITDIALOG is the value its handler stored; of every other message 1 when
// handled, else 0 (the dialog manager's default then applies).
class DialogBase : public WindowBase {
public:
    LRESULT finish(bool notHandled, LRESULT value, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Runs the template modally; returns the dialog's end result (-1 when it
    // could not be created).
    INT_PTR showModal(int templateId, HWND owner);
    // Creates the template as a modeless dialog; true on success.
    bool createModeless(int templateId, HWND owner);
    // Ends a modal run and unbinds the object.
    void endDialog(INT_PTR result);
};

// A standard control whose window procedure is replaced by the common one.
// Unhandled messages go on to the previous procedure (the default window
// procedure while none is saved); handled ones return 0.
class SubclassedControl : public WindowBase {
public:
    ~SubclassedControl() override;

    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT finish(bool notHandled, LRESULT value, UINT message, WPARAM wParam, LPARAM lParam) override;

    // Binds the object to the dialog's control; false when there is none.
    bool attach(HWND dialog, int controlId);
    void subclass();
    void unsubclass();

private:
    WNDPROC previousProcedure_ = nullptr;
};

// A window of a class of the program's own. Unhandled messages go to the
// default window procedure; handled ones return the handler's value.
class PlainWindow : public WindowBase {
public:
    ~PlainWindow() override;

    LRESULT finish(bool notHandled, LRESULT value, UINT message, WPARAM wParam, LPARAM lParam) override;

    // A window of the program's plain class; false when it cannot be made.
    bool create(HWND parent, DWORD style, const char* title, int x, int y, int width, int height);
};
