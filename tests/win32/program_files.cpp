#include "tests/win32/program_files.h"

#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "app/program_folder.h"
#include "app/text_buffer.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"

using platform::win32::wide;

namespace {

constexpr char standInAnswer[] = "stand_in_address.txt";
const char* const leftovers[] = {"set.ini", "draw.html", "anim.html", "_load.dat", "_post.dat",
                                 "_tmppng.dat", "_tmppch.dat", "_prev.dat", standInAnswer};

}  // namespace

ProgramFiles::ProgramFiles() {
    TextBuffer folder(511);
    programFolder(folder);
    folder_ = folder.text();
    removeAll();
    enterProgramFolder();
}

ProgramFiles::~ProgramFiles() {
    enterProgramFolder();
    removeAll();
}

void ProgramFiles::removeAll() const {
    for (const char* name : leftovers) platform::deleteFile(file(name).c_str());
    std::wstring res = wide(file("res").c_str());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((res + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((res + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(res.c_str());
}

void ProgramFiles::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(wide(file(name).c_str()).c_str(), std::ios::binary) << bytes;
}

std::string ProgramFiles::read(const std::string& name) const {
    std::ifstream in(wide(file(name).c_str()).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool ProgramFiles::exists(const std::string& name) const {
    return GetFileAttributesW(wide(file(name).c_str()).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ProgramFiles::makeFolder(const std::string& name) const { CreateDirectoryW(wide(file(name).c_str()).c_str(), nullptr); }

std::string ProgramFiles::setting(const char* section, const char* key) const {
    char value[512];
    platform::profileText(section, key, "<absent>", value, sizeof value, file("set.ini").c_str());
    return value;
}

void ProgramFiles::useStandInBrowser() const {
    std::string ini = file("set.ini");
    platform::writeProfileText("Browser", "Flag", "1", ini.c_str());
    platform::writeProfileText("Browser", "Path", file("ui_browser_stand_in.exe").c_str(), ini.c_str());
}

std::string ProgramFiles::standInAddress() const {
    for (int wait = 0; wait < 100 && !exists(standInAnswer); ++wait) Sleep(50);
    return read(standInAnswer);
}

HDROP makeDrop(const std::vector<std::string>& paths) {
    std::wstring list;
    for (const std::string& path : paths) {
        list += wide(path.c_str());
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}
