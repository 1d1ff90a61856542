// The folder of the running test program, found without our own code: the
// system's own answer for the program file, cut before its name.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>
#endif

inline std::string testProgramFolder() {
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path, n);
    return text.substr(0, text.find_last_of('\\'));
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
#endif
}
