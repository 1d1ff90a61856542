// Files, folder search, folders and the clock on Windows.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/wide.h"

namespace platform {

using win32::narrow;
using win32::wide;

struct NativeFile {
    HANDLE handle;
};

namespace {

NativeFile* wrap(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : new NativeFile{h}; }

FileTime ticksOf(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

}  // namespace

NativeFile* openRead(const char* path) {
    return wrap(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

NativeFile* createWrite(const char* path) {
    return wrap(CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

NativeFile* openAppend(const char* path) {
    NativeFile* file = wrap(CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) SetFilePointer(file->handle, 0, nullptr, FILE_END);
    return file;
}

bool closeFile(NativeFile* file) {
    if (!file) return false;
    bool ok = CloseHandle(file->handle) != 0;
    delete file;
    return ok;
}

uint32_t readFile(NativeFile* file, void* buffer, uint32_t count) {
    DWORD n = 0;
    if (!file || !ReadFile(file->handle, buffer, count, &n, nullptr)) return 0;
    return n;
}

uint32_t writeFile(NativeFile* file, const void* buffer, uint32_t count) {
    DWORD n = 0;
    if (!file || !WriteFile(file->handle, buffer, count, &n, nullptr)) return 0;
    return n;
}

int64_t seekFile(NativeFile* file, int64_t distance, SeekOrigin origin) {
    if (!file) return -1;
    DWORD method = origin == SeekOrigin::begin ? FILE_BEGIN : origin == SeekOrigin::current ? FILE_CURRENT : FILE_END;
    LARGE_INTEGER move, position;
    move.QuadPart = distance;
    if (!SetFilePointerEx(file->handle, move, &position, method)) return -1;
    return position.QuadPart;
}

uint64_t fileSize(NativeFile* file) {
    LARGE_INTEGER size;
    return file && GetFileSizeEx(file->handle, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool fileTimes(NativeFile* file, FileTime* created, FileTime* accessed, FileTime* written) {
    FILETIME c, a, w;
    if (!file || !GetFileTime(file->handle, &c, &a, &w)) return false;
    if (created) *created = ticksOf(c);
    if (accessed) *accessed = ticksOf(a);
    if (written) *written = ticksOf(w);
    return true;
}

FileTime currentTime() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return ticksOf(now);
}

FileTime localTime(FileTime utc) {
    FILETIME given{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)}, local;
    SYSTEMTIME universal, zoned;
    if (!FileTimeToSystemTime(&given, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &zoned) ||
        !SystemTimeToFileTime(&zoned, &local))
        return utc;
    return ticksOf(local);
}

bool deleteFile(const char* path) { return DeleteFileW(wide(path).c_str()) != 0; }

bool copyFile(const char* from, const char* to) {
    return CopyFileW(wide(from).c_str(), wide(to).c_str(), FALSE) != 0;
}

// ---- Folder search ---------------------------------------------------------

struct NativeSearch {
    HANDLE handle;
};

namespace {

bool fill(const WIN32_FIND_DATAW& data, FoundEntry& entry) {
    std::string name = narrow(data.cFileName);
    if (name.size() >= sizeof entry.name) return false;
    std::memcpy(entry.name, name.c_str(), name.size() + 1);
    entry.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.written = ticksOf(data.ftLastWriteTime);
    entry.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

}  // namespace

NativeSearch* findFirst(const char* pattern, FoundEntry& entry) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW(wide(pattern).c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    auto* search = new NativeSearch{h};
    if (fill(data, entry) || findNext(search, entry)) return search;
    findClose(search);
    return nullptr;
}

bool findNext(NativeSearch* search, FoundEntry& entry) {
    WIN32_FIND_DATAW data;
    while (search && FindNextFileW(search->handle, &data)) {
        if (fill(data, entry)) return true;
    }
    return false;
}

void findClose(NativeSearch* search) {
    if (!search) return;
    FindClose(search->handle);
    delete search;
}

// ---- Folders and the program -----------------------------------------------

namespace {

bool copyOut(const wchar_t* text, char* out, size_t capacity) {
    std::string converted = narrow(text);
    if (converted.size() + 1 > capacity) return false;
    std::memcpy(out, converted.c_str(), converted.size() + 1);
    return true;
}

}  // namespace

bool programPath(char* out, size_t capacity) {
    wchar_t buffer[MAX_PATH * 2];
    DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 2);
    return n > 0 && n < MAX_PATH * 2 && copyOut(buffer, out, capacity);
}

bool setCurrentFolder(const char* path) { return SetCurrentDirectoryW(wide(path).c_str()) != 0; }

bool currentFolder(char* out, size_t capacity) {
    wchar_t buffer[MAX_PATH * 2];
    DWORD n = GetCurrentDirectoryW(MAX_PATH * 2, buffer);
    return n > 0 && n < MAX_PATH * 2 && copyOut(buffer, out, capacity);
}

void sleepMilliseconds(unsigned milliseconds) { Sleep(milliseconds); }

}  // namespace platform
