// The socket events of the Windows build: a hidden message-only window of the
// program receives the messages that WSAAsyncSelect posts and hands them to
// the target; the loop is the ordinary message loop.
#include <windows.h>

#include "platform/socket.h"

namespace platform {
namespace {

constexpr wchar_t className[] = L"SketchhavenSocketEvents";

LRESULT CALLBACK eventWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* target = reinterpret_cast<SocketEventTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (target && message == socketMessage && target->onSocketEvent(message, wParam, lParam)) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

bool registerClass() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = eventWindowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

SocketEventLoop::SocketEventLoop(SocketEventTarget& target) : target_(target) {
    if (!registerClass()) return;
    window_ = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                              &target_);
}

SocketEventLoop::~SocketEventLoop() {
    if (window_) DestroyWindow(static_cast<HWND>(window_));
}

bool SocketEventLoop::isReady() const { return window_ != nullptr; }

int SocketEventLoop::run() {
    MSG message;
    while (!stopped_ && GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    stopped_ = true;
    return 0;
}

bool SocketEventLoop::runOnce(unsigned timeoutMilliseconds) {
    if (stopped_) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMilliseconds, QS_ALLINPUT);
    MSG message;
    while (!stopped_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            stopped_ = true;
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return !stopped_;
}

void SocketEventLoop::stop() {
    stopped_ = true;
    if (window_) PostMessageW(static_cast<HWND>(window_), WM_NULL, 0, 0);
}

}  // namespace platform
