// The first file of a drop on a window; the drop is finished either way.
#pragma once

#include <windows.h>
#include <shellapi.h>

class TextBuffer;

// Only the first of however many files were dropped goes into out (at most
// its capacity); false when the drop holds none.
bool takeFirstDroppedFile(HDROP drop, TextBuffer& out);
