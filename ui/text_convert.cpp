#include "ui/text_convert.h"

#include <cstring>

#include "app/dbcs.h"
#include "app/text_buffer.h"
#include "platform/win32/wide.h"

void assignCut(TextBuffer& out, const std::string& text, int capacity) {
    int end = 0;
    int length = static_cast<int>(text.size());
    while (end < length) {
        int next = dbcs::nextIndex(text.c_str(), end);
        if (next > capacity) break;
        end = next;
    }
    out.assign(text.substr(0, static_cast<size_t>(end)).c_str());
}

void windowText(HWND window, TextBuffer& out) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    assignCut(out, platform::win32::narrow(text.c_str()), out.capacity());
}

std::wstring wideList(const char* list) {
    std::wstring out;
    for (const char* piece = list; *piece; piece += std::strlen(piece) + 1) {
        out += platform::win32::wide(piece);
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}
