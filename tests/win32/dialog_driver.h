// Driving the program's dialogs from inside a test: scripts run from a timer
// once a dialog shows, message boxes answered as they appear, and the test
// program's folder, which is the program folder of the code under test.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "image/raster_image.h"
#include "ui/window_base.h"

struct SeenBox {
    std::string text;     // code page 932
    std::string caption;  // code page 932
    bool topmost;         // system-modal boxes stay on top
    HICON icon;
};

// Answers the message boxes of this thread while it lives: with the answers
// given, in order, then with each box's default button.
class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    void answer(int button) { answers_.push_back(button); }
    const std::vector<SeenBox>& seen() const { return seen_; }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    UINT_PTR timer_;
    std::deque<int> answers_;
    std::vector<SeenBox> seen_;
};

// Calls script once with the first visible dialog of this thread that is
// neither a message box nor `except`, as soon as one shows.
class DialogWatcher {
public:
    DialogWatcher(HWND except, std::function<void(HWND)> script);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    HWND except_;
    std::function<void(HWND)> script_;
    DialogWatcher* outer_;
    UINT_PTR timer_;
    bool ran_ = false;
};

// Runs the dialog modally and the script on it once it shows; a dialog the
// script leaves open ends with -2 after a few seconds.
INT_PTR runModal(DialogBase& dialog, int templateId, const std::function<void(HWND)>& script);

// Lets the queue run for about milliseconds.
void pump(DWORD milliseconds);
// One pixel (0x00BBGGRR) of what the window paints into a bitmap when asked
// to print its client area, whatever covers it on the screen.
COLORREF printedPixel(HWND window, int x, int y);

void click(HWND dialog, int id);
void command(HWND dialog, int id, int code);
void choose(HWND dialog, int comboId, int index);      // selects and reports CBN_SELCHANGE
void typeText(HWND dialog, int id, const char* text);  // the edit reports EN_CHANGE
std::string windowTextOf(HWND window);                 // code page 932; a list combo box's selected item
std::string textOf(HWND dialog, int id);
bool isChecked(HWND dialog, int id);
// The controls as the user sees them, each "[x]" or "[ ]" for a check box or
// radio button, else its text; "~" before a disabled one; joined with " | ".
std::string shown(HWND dialog, std::initializer_list<int> ids);
// "1" for each enabled control, "0" for each disabled one.
std::string enabled(HWND dialog, std::initializer_list<int> ids);
std::vector<std::string> comboItems(HWND dialog, int id);
std::vector<std::string> listItems(HWND dialog, int id);
// A drop of these files (code page 932 paths), as the shell hands it over.
HDROP makeDrop(const std::vector<std::string>& paths);

// Column x in red, row y in green (both cut to 8 bits), blue 0; or one
// colour everywhere. Written as 24-bit PNG when a path is given.
bool testPicture(RasterImage& image, int32_t width, int32_t height, COLORREF colour = CLR_INVALID,
                 const char* pngPath = nullptr);

// The test program's folder, made current and freed of the files the
// program and the tests write there, before and after.
class ProgramFiles {
public:
    ProgramFiles();
    ~ProgramFiles();
    ProgramFiles(const ProgramFiles&) = delete;
    ProgramFiles& operator=(const ProgramFiles&) = delete;

    std::string file(const std::string& name) const { return folder + "\\" + name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    std::string setting(const char* section, const char* key) const;  // as the profile services read it

    std::string folder;  // code page 932, no trailing separator

private:
    void removeAll() const;
};
