// Driving dialogs from inside a test: a script run from a timer once the
// modal loop is running, and a watcher that answers message boxes of this
// thread as they appear and records their texts.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/window_base.h"

struct SeenBox {
    std::string text;     // code page 932
    std::string caption;  // code page 932
    int answer;
    bool topmost;  // system-modal boxes stay on top
    HICON icon;
};

class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Answers for the next boxes, in order; a box without one gets its
    // default button.
    void answer(int button) { answers_.push_back(button); }
    const std::vector<SeenBox>& seen() const { return seen_; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    void closeBoxes();

    UINT_PTR timer_ = 0;
    std::deque<int> answers_;
    std::vector<SeenBox> seen_;
};

// Runs dialog modally from template with owner, and calls script with the
// dialog's window once it runs. A dialog the script leaves open is cancelled
// after a few seconds (the test then fails on its result).
INT_PTR runModal(DialogBase& dialog, int templateId, HWND owner, const std::function<void(HWND)>& script);

// Calls script once with the first visible dialog window of this thread
// that is not a message box and not `except`, as soon as one appears (for
// the system's own dialogs, such as the file choosers). Polls while the
// object lives.
class DialogWatcher {
public:
    DialogWatcher(HWND except, std::function<void(HWND)> script);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;
    bool ran() const { return ran_; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);

    HWND except_;
    std::function<void(HWND)> script_;
    UINT_PTR timer_ = 0;
    bool ran_ = false;
};

// Lets the queue run for about milliseconds.
void pump(DWORD milliseconds);

// One pixel (0x00BBGGRR) of what window paints when asked to print its
// client area into a bitmap of its size: the picture of the control itself,
// whatever covers it on the screen. CLR_INVALID outside the client area.
COLORREF printedPixel(HWND window, int x, int y);

// Helpers for scripts.
void click(HWND dialog, int id);
void command(HWND dialog, int id, int code);
void typeText(HWND dialog, int id, const char* text);  // sets the text; the edit reports EN_CHANGE
std::string textOf(HWND dialog, int id);                // code page 932
std::string windowTextOf(HWND window);
bool isEnabled(HWND dialog, int id);
bool isChecked(HWND dialog, int id);
int comboSelection(HWND dialog, int id);
std::vector<std::string> comboItems(HWND dialog, int id);
std::vector<std::string> listItems(HWND dialog, int id);
