// Drives the program's windows from outside, for end-to-end runs of the
// program under Wine. Captions are matched whole; only visible top-level
// windows count.
//   window_commander post caption command-id
//     waits 30 seconds at most for a window with that caption and posts it
//     WM_COMMAND command-id; ends with 1 when none came.
//   window_commander count caption [seconds, default 0]
//     waits up to seconds for a window with that caption, then prints how
//     many there are.
//   window_commander watch seconds program [argument ...]
//     starts the program, watches its windows until it ends and prints its
//     exit code and how many windows of it were seen; when it outlives the
//     seconds it is ended, "running" stands for the code and the commander
//     ends with 1.
//   window_commander press script
//     works through the script, a UTF-8 file of one step per LF-ended line:
//       caption TAB button-id [TAB edit-id=text ...]
//     Each step waits a minute at most for a window with that caption, sets
//     the texts given, presses the button and waits for the window to go. It
//     prints (UTF-8) a line per step pressed: the caption and the text of a
//     message box, or "-"; for a window that did not come, "missing" and the
//     caption, and ends with 1.
//   window_commander address ...
//     (any first argument holding "://") stands in for the web browser:
//     writes the arguments (UTF-8, joined by blanks) to stand_in_address.txt
//     beside itself.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD pollMilliseconds = 5;
constexpr int boxTextId = 0xFFFF;  // the static that holds a message box's text

struct Search {
    const wchar_t* caption;  // or nullptr: every window of the process
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM data) {
    Search& search = *reinterpret_cast<Search*>(data);
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    bool matches = search.caption ? std::wstring(text) == search.caption : owner == search.process;
    if (matches && IsWindowVisible(window)) search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> windowsCaptioned(const wchar_t* caption) {
    Search search{caption, 0, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> waitForWindows(const wchar_t* caption, DWORD milliseconds) {
    std::vector<HWND> found;
    for (DWORD start = GetTickCount(); (found = windowsCaptioned(caption)).empty(); Sleep(50)) {
        if (GetTickCount() - start >= milliseconds) break;
    }
    return found;
}

void print(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
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

DWORD seconds(const wchar_t* text) { return static_cast<DWORD>(_wtoi(text)) * 1000u; }

int watch(DWORD milliseconds, wchar_t** arguments, int argumentCount) {
    std::wstring line;
    for (int i = 0; i < argumentCount; ++i) line += (i ? L" \"" : L"\"") + std::wstring(arguments[i]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return 2;
    }
    CloseHandle(process.hThread);
    std::vector<HWND> seen;
    DWORD start = GetTickCount();
    bool ended = false;
    while (!ended && GetTickCount() - start < milliseconds) {
        Search search{nullptr, process.dwProcessId, {}};
        EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
        for (HWND window : search.found) {
            if (std::find(seen.begin(), seen.end(), window) == seen.end()) seen.push_back(window);
        }
        ended = WaitForSingleObject(process.hProcess, pollMilliseconds) == WAIT_OBJECT_0;
    }
    DWORD code = 0;
    if (ended) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    CloseHandle(process.hProcess);
    print((ended ? std::to_string(code) : std::string("running")) + " " + std::to_string(seen.size()) + "\n");
    return ended ? 0 : 1;
}

int press(const wchar_t* scriptPath) {
    std::ifstream file(scriptPath, std::ios::binary);
    std::string script{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::wstring text(script.size(), L'\0');
    text.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, script.data(), static_cast<int>(script.size()),
                                                        text.data(), static_cast<int>(text.size()))));
    for (const std::wstring& line : split(text, L'\n')) {
        std::vector<std::wstring> fields = split(line, L'\t');
        if (fields.size() < 2 || fields[0].empty()) continue;
        std::vector<HWND> found = waitForWindows(fields[0].c_str(), 60000u);
        if (found.empty()) {
            print("missing\t" + toUtf8(fields[0]) + "\n");
            return 1;
        }
        HWND window = found.front();
        for (size_t i = 2; i < fields.size(); ++i) {
            size_t equals = fields[i].find(L'=');
            if (equals == std::wstring::npos) continue;
            SetWindowTextW(GetDlgItem(window, _wtoi(fields[i].substr(0, equals).c_str())),
                           fields[i].substr(equals + 1).c_str());
        }
        wchar_t boxText[1024] = L"-";
        if (HWND box = GetDlgItem(window, boxTextId)) GetWindowTextW(box, boxText, 1024);
        print(toUtf8(fields[0] + L"\t" + boxText + L"\n"));
        SendMessageW(GetDlgItem(window, _wtoi(fields[1].c_str())), BM_CLICK, 0, 0);
        const DWORD start = GetTickCount();
        while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() - start < 10000) Sleep(50);
    }
    return 0;
}

int standInBrowser(wchar_t** arguments, int count) {
    std::wstring given = arguments[1];
    for (int i = 2; i < count; ++i) given += L" " + std::wstring(arguments[i]);
    wchar_t path[MAX_PATH];
    std::wstring answer(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    answer = answer.substr(0, answer.rfind(L'\\') + 1) + L"stand_in_address.txt";
    std::ofstream((answer + L".part").c_str(), std::ios::binary) << toUtf8(given);  // then whole at once
    return MoveFileExW((answer + L".part").c_str(), answer.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int n = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!arguments || n < 2) return 2;
    std::wstring verb = arguments[1];
    int result = 2;
    if (verb.find(L"://") != std::wstring::npos) {
        result = standInBrowser(arguments, n);
    } else if (verb == L"post" && n >= 4) {
        std::vector<HWND> found = waitForWindows(arguments[2], 30000u);
        WPARAM command = static_cast<WPARAM>(_wtoi(arguments[3]));
        result = !found.empty() && PostMessageW(found.front(), WM_COMMAND, command, 0) ? 0 : 1;
    } else if (verb == L"count" && n >= 3) {
        print(std::to_string(waitForWindows(arguments[2], n > 3 ? seconds(arguments[3]) : 0u).size()) + "\n");
        result = 0;
    } else if (verb == L"watch" && n >= 4) {
        result = watch(seconds(arguments[2]), arguments + 3, n - 3);
    } else if (verb == L"press" && n >= 3) {
        result = press(arguments[2]);
    }
    LocalFree(arguments);
    return result;
}
