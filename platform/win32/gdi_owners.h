// Owners of the system's drawing handles and COM references: each frees what
// it holds when it goes, so no path forgets a handle.
#pragma once

#include <windows.h>

namespace platform::win32 {

// The screen's device context.
struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ScreenDc() = default;
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc) ReleaseDC(nullptr, dc);
    }
};

// A memory context like another; what was selected out of it goes back in.
struct MemoryDc {
    HDC dc;
    HGDIOBJ previous = nullptr;
    explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (previous) SelectObject(dc, previous);
        if (dc) DeleteDC(dc);
    }
};

// A brush, bitmap, pen or font of our own.
template <class Handle>
struct GdiObject {
    Handle handle = nullptr;
    GdiObject() = default;
    explicit GdiObject(Handle h) : handle(h) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() {
        if (handle) DeleteObject(handle);
    }
};
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;

template <class T>
struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p) p->Release();
    }
};

}  // namespace platform::win32
