// A picture of a window as it is on the screen, written as PNG with the
// program's own encoder.
#pragma once

#include <windows.h>

// Paints window and everything in it now, copies its screen rectangle
// (frame included) and writes it to path. False when any step fails or the
// window does not reach the screen within a few seconds.
bool captureWindow(HWND window, const char* path);
