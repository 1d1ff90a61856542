// Presses the buttons of another process's dialogs, for end-to-end runs of
// the program under Wine. The script is a UTF-8 file, one step per line:
//   caption TAB button-id [TAB edit-id=text ...]
// Each step waits for a visible dialog window with that caption, sets the
// texts given, presses the button and waits for the window to go away. The
// report (UTF-8, one line per step pressed) gives the caption and the text of
// the dialog's message-box text, if it has one.
//   dialog_presser script report [seconds to wait per step, default 90]
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int boxTextId = 0xFFFF;  // the static that holds a message box's text

std::wstring fromUtf8(const std::string& text) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

std::string toUtf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    std::wistringstream in(text);
    for (std::wstring part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

HWND waitForDialog(const std::wstring& caption, DWORD milliseconds) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(50)) {
        HWND window = FindWindowW(L"#32770", caption.c_str());
        if (window && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

void waitUntilGone(HWND window, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() - start < milliseconds) Sleep(50);
}

std::string boxText(HWND dialog) {
    HWND text = GetDlgItem(dialog, boxTextId);
    if (!text) return "-";
    std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(text)) + 1, L'\0');
    wide.resize(static_cast<size_t>(GetWindowTextW(text, wide.data(), static_cast<int>(wide.size()))));
    return toUtf8(wide);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 3) return 2;
    DWORD wait = (count > 3 ? static_cast<DWORD>(_wtoi(arguments[3])) : 90u) * 1000u;
    std::ifstream scriptFile(arguments[1], std::ios::binary);
    if (!scriptFile) return 2;
    std::string script{std::istreambuf_iterator<char>(scriptFile), std::istreambuf_iterator<char>()};
    std::string report;
    int result = 0;
    for (const std::wstring& line : split(fromUtf8(script), L'\n')) {
        std::vector<std::wstring> fields = split(line.substr(0, line.find_last_not_of(L'\r') + 1), L'\t');
        if (fields.size() < 2 || fields[0].empty()) continue;
        HWND dialog = waitForDialog(fields[0], wait);
        if (!dialog) {
            report += "missing\t" + toUtf8(fields[0]) + "\n";
            result = 1;
            break;
        }
        for (size_t i = 2; i < fields.size(); ++i) {
            size_t equals = fields[i].find(L'=');
            if (equals == std::wstring::npos) continue;
            SetWindowTextW(GetDlgItem(dialog, _wtoi(fields[i].substr(0, equals).c_str())),
                           fields[i].substr(equals + 1).c_str());
        }
        report += toUtf8(fields[0]) + "\t" + boxText(dialog) + "\n";
        SendMessageW(GetDlgItem(dialog, _wtoi(fields[1].c_str())), BM_CLICK, 0, 0);
        waitUntilGone(dialog, 10000);
    }
    std::ofstream reportFile(arguments[2], std::ios::binary);
    if (!(reportFile << report)) return 2;
    LocalFree(arguments);
    return result;
}
