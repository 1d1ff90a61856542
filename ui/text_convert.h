// Texts between the controls (UTF-16) and the program (code page 932).
#pragma once

#include <windows.h>

#include <string>

class TextBuffer;

// Puts text into out, cut to at most capacity bytes without splitting a
// double-byte character.
void assignCut(TextBuffer& out, const std::string& text, int capacity);
// The window's text, at most out's capacity of bytes.
void windowText(HWND window, TextBuffer& out);
// A list of NUL-separated texts ending with an empty one (a file chooser's
// filter), converted piece by piece; the result ends with two NULs.
std::wstring wideList(const char* list);
