// Message boxes, the instance lock, the shell and profile files on Windows.
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/wide.h"

namespace platform {

using win32::narrow;
using win32::wide;

int messageBox(WindowRef owner, const char* text, const char* caption, unsigned style) {
    std::wstring wideCaption = caption ? wide(caption) : std::wstring();
    return MessageBoxW(static_cast<HWND>(owner), wide(text).c_str(), caption ? wideCaption.c_str() : nullptr,
                       style | MB_SYSTEMMODAL);
}

bool acquireInstanceLock(const char* name) {
    SetLastError(0);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, wide(name).c_str());
    if (!mutex) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return false;
    }
    return true;  // held, never closed, until the process ends
}

bool shellOpen(WindowRef owner, const char* target, const char* parameters) {
    std::wstring wideParameters = parameters ? wide(parameters) : std::wstring();
    HINSTANCE result = ShellExecuteW(static_cast<HWND>(owner), L"open", wide(target).c_str(),
                                     parameters ? wideParameters.c_str() : nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// The byte-oriented profile services pass code page 932 bytes through
// unchanged whatever the ANSI code page, so they are called as they are.
int32_t profileInt(const char* section, const char* key, int32_t fallback, const char* path) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, fallback, path));
}

size_t profileText(const char* section, const char* key, const char* fallback, char* out, size_t size,
                   const char* path) {
    if (size == 0) return 0;
    return GetPrivateProfileStringA(section, key, fallback, out, static_cast<DWORD>(size), path);
}

bool writeProfileText(const char* section, const char* key, const char* value, const char* path) {
    return WritePrivateProfileStringA(section, key, value, path) != 0;
}

}  // namespace platform
