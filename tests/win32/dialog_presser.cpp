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

bool readFile(const wchar_t* path, std::string& bytes) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

bool writeFile(const wchar_t* path, const std::string& bytes) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::vector<std::wstring> split(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return parts;
        start = end + 1;
    }
}

std::wstring windowText(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(window, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

HWND waitForDialog(const std::wstring& caption, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        HWND window = FindWindowW(L"#32770", caption.c_str());
        if (window && IsWindowVisible(window)) return window;
        Sleep(50);
    }
    return nullptr;
}

void waitUntilGone(HWND window, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() - start < milliseconds) Sleep(50);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 3) return 2;
    DWORD wait = (count > 3 ? static_cast<DWORD>(_wtoi(arguments[3])) : 90u) * 1000u;
    std::string script;
    if (!readFile(arguments[1], script)) return 2;
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
            int id = _wtoi(fields[i].substr(0, equals).c_str());
            SetWindowTextW(GetDlgItem(dialog, id), fields[i].substr(equals + 1).c_str());
        }
        HWND text = GetDlgItem(dialog, boxTextId);
        report += toUtf8(fields[0]) + "\t" + (text ? toUtf8(windowText(text)) : "-") + "\n";
        SendMessageW(GetDlgItem(dialog, _wtoi(fields[1].c_str())), BM_CLICK, 0, 0);
        waitUntilGone(dialog, 10000);
    }
    if (!writeFile(arguments[2], report)) return 2;
    LocalFree(arguments);
    return result;
}
