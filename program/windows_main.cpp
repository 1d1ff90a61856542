// The program: one instance at a time, the main window with the local server
// behind it, serving the program folder until File > Exit or the close box.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/settings.h"
#include "platform/win32/wide.h"
#include "program/program_window.h"
#include "ui/dialogs/dialog_save_asker.h"

namespace {

// Registers the common-control classes the windows use (the spin controls
// among them), then takes the named lock; false when another instance
// holds it.
bool acquireSingleInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    return ProgramSession::acquireLock();
}

// The program's arguments after its own name, code page 932.
std::string commandLineArguments() {
    const wchar_t* p = GetCommandLineW();
    bool quoted = false;
    for (; *p && (quoted || (*p != L' ' && *p != L'\t')); ++p) {
        if (*p == L'"') quoted = !quoted;
    }
    return platform::win32::narrow(p);
}

// Every message is first offered to the main window's dialog handling
// (keyboard navigation between its controls). The quit message's code, or
// 1 when the queue failed.
int runMessageLoop(HWND dialog) {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (IsWindow(dialog) && IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (!acquireSingleInstance()) return 0;
    static Settings settings;
    static DialogSaveAsker asker(settings);
    static ProgramSession session(settings, &asker);
    static MainWindow window(settings, session.server());
    if (!startProgramWindow(session, window)) return 0;
    window.applyCommandLine(commandLineArguments().c_str());
    window.show(SW_SHOWNORMAL);
    int code = runMessageLoop(window.handle());
    session.close(window.setupAtExit());
    return code;
}
