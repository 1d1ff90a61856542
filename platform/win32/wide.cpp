#include "platform/win32/wide.h"

#include <windows.h>

namespace platform::win32 {

constexpr UINT shiftJis = 932;

std::wstring wide(const char* text) {
    if (!text || !*text) return std::wstring();
    int n = MultiByteToWideChar(shiftJis, 0, text, -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) MultiByteToWideChar(shiftJis, 0, text, -1, out.data(), n);
    if (!out.empty()) out.pop_back();
    return out;
}

std::string narrow(const wchar_t* text) {
    if (!text || !*text) return std::string();
    int n = WideCharToMultiByte(shiftJis, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(shiftJis, 0, text, -1, out.data(), n, nullptr, nullptr);
    if (!out.empty()) out.pop_back();
    return out;
}

}  // namespace platform::win32

namespace platform {

size_t utf8Text(const char* text, char* out, size_t capacity) {
    std::wstring utf16 = win32::wide(text);
    if (utf16.empty() || capacity == 0) return 0;
    int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out,
                                static_cast<int>(capacity - 1), nullptr, nullptr);
    if (n <= 0) return 0;
    out[n] = '\0';
    return static_cast<size_t>(n);
}

}  // namespace platform
