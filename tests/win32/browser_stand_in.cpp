// Stands in for a web browser in the tests: writes the parameters it was
// started with to stand_in_address.txt beside itself (UTF-8) and ends.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring given;
    for (int i = 1; i < count; ++i) given += (i > 1 ? L" " : L"") + std::wstring(arguments[i]);
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring answer(path, n);
    answer = answer.substr(0, answer.rfind(L'\\') + 1) + L"stand_in_address.txt.part";
    int length = WideCharToMultiByte(CP_UTF8, 0, given.c_str(), static_cast<int>(given.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, given.c_str(), static_cast<int>(given.size()), bytes.data(), length, nullptr, nullptr);
    HANDLE file = CreateFileW(answer.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    std::wstring done = answer.substr(0, answer.size() - 5);
    MoveFileExW(answer.c_str(), done.c_str(), MOVEFILE_REPLACE_EXISTING);
    return 0;
}
