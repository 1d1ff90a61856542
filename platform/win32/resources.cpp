// The program's own resources on Windows.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/wide.h"

namespace platform {

bool textResource(int id, const char*& data, size_t& size) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"TEXT");
    if (!found) return false;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (!loaded) return false;
    data = static_cast<const char*>(LockResource(loaded));
    size = SizeofResource(nullptr, found);
    return data != nullptr;
}

size_t stringResource(int id, char* out, size_t capacity) {
    const wchar_t* text = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) return 0;
    std::string narrowed = win32::narrow(std::wstring(text, static_cast<size_t>(n)).c_str());
    size_t length = narrowed.size() < capacity ? narrowed.size() : capacity;
    std::memcpy(out, narrowed.data(), length);
    out[length] = '\0';
    return length;
}

}  // namespace platform
