#include "ui/file_choosers.h"

#include <commdlg.h>
#include <shlobj.h>

#include <string>

#include "app/text_buffer.h"
#include "platform/win32/wide.h"
#include "ui/text_convert.h"

using platform::win32::narrow;
using platform::win32::wide;

namespace {

constexpr DWORD commonFlags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY;

enum class ChooserKind { open, save };

bool runChooser(ChooserKind kind, FilePreview* preview, HWND owner, int templateId, const char* filter,
                const char* defaultExtension, const char* initialDirectory, bool wantFullPath, DWORD flags,
                TextBuffer& result) {
    std::wstring filters = wideList(filter);
    std::wstring extension = defaultExtension ? wide(defaultExtension) : std::wstring();
    std::wstring folder = initialDirectory ? wide(initialDirectory) : std::wstring();
    std::wstring path(static_cast<size_t>(result.capacity()) + 1, L'\0');
    std::wstring name(static_cast<size_t>(result.capacity()) + 1, L'\0');

    OPENFILENAMEW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = owner;
    chooser.hInstance = GetModuleHandleW(nullptr);
    chooser.lpstrFilter = filters.c_str();
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = path.data();
    chooser.nMaxFile = static_cast<DWORD>(path.size());
    chooser.lpstrFileTitle = name.data();
    chooser.nMaxFileTitle = static_cast<DWORD>(name.size());
    chooser.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    chooser.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    chooser.Flags = commonFlags | flags;
    if (preview && templateId) {
        chooser.Flags |= OFN_ENABLETEMPLATE | OFN_ENABLEHOOK;
        chooser.lpTemplateName = MAKEINTRESOURCEW(templateId);
        chooser.lpfnHook = &FilePreview::hook;
        preview->activate();
    }
    BOOL chosen = kind == ChooserKind::open ? GetOpenFileNameW(&chooser) : GetSaveFileNameW(&chooser);
    if (preview) preview->deactivate();
    if (!chosen) return false;
    assignCut(result, narrow(wantFullPath ? path.c_str() : name.c_str()), result.capacity());
    return true;
}

}  // namespace

// ---- The preview pane -------------------------------------------------------------

FilePreview* FilePreview::active_ = nullptr;

UINT_PTR CALLBACK FilePreview::hook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FilePreview* pane = active_;
    if (!pane) return 0;
    if (message == WM_INITDIALOG) pane->bind(window);
    if (pane->handle() != window) return 0;
    return static_cast<UINT_PTR>(pane->dispatch(message, wParam, lParam));
}

bool FilePreview::onInitDialog(LRESULT& value) {
    view_.attach(handle(), previewId);
    view_.subclass();
    picture_.release();
    view_.setPicture(&picture_);
    on_ = true;
    checkItem(switchId, true);
    value = TRUE;
    return true;
}

bool FilePreview::onCommand(int id, int, HWND) {
    if (id != switchId) return false;
    on_ = !on_;
    checkItem(switchId, on_);
    if (!on_) {
        picture_.release();
        view_.invalidate();
    }
    return true;
}

bool FilePreview::onNotify(WPARAM, NMHDR* record, LRESULT&) {
    if (record->code != CDN_SELCHANGE) return false;
    if (on_) showSelection();
    return true;
}

void FilePreview::showSelection() {
    std::wstring path(pathCapacity + 1, L'\0');
    LRESULT n = SendMessageW(GetParent(handle()), CDM_GETFILEPATH, static_cast<WPARAM>(path.size()),
                             reinterpret_cast<LPARAM>(path.data()));
    if (n <= 0) return;
    TextBuffer selected(pathCapacity);
    assignCut(selected, narrow(path.c_str()), pathCapacity);
    view_.showFile(selected.text());
}

// ---- The choosers -----------------------------------------------------------------

bool chooseOpenFile(FilePreview* preview, HWND owner, int templateId, const char* filter, const char* defaultExtension,
                    const char* initialDirectory, bool wantFullPath, bool allowMissing, TextBuffer& result) {
    return runChooser(ChooserKind::open, preview, owner, templateId, filter, defaultExtension, initialDirectory,
                      wantFullPath, allowMissing ? 0 : OFN_FILEMUSTEXIST, result);
}

bool chooseSaveFile(FilePreview* preview, HWND owner, int templateId, const char* filter, const char* defaultExtension,
                    const char* initialDirectory, bool wantFullPath, bool askOverwrite, TextBuffer& result) {
    return runChooser(ChooserKind::save, preview, owner, templateId, filter, defaultExtension, initialDirectory,
                      wantFullPath, askOverwrite ? OFN_OVERWRITEPROMPT : 0, result);
}

bool browseForFolder(HWND owner, const char* title, TextBuffer& out, bool cutRoot) {
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring wideTitle = wide(title);
    wchar_t display[MAX_PATH] = {};
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.pszDisplayName = display;
    browse.lpszTitle = wideTitle.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    bool found = false;
    if (chosen) {
        wchar_t path[MAX_PATH] = {};
        found = SHGetPathFromIDListW(chosen, path) != 0;
        if (found) {
            assignCut(out, narrow(path), out.capacity());
            if (cutRoot && out.length() == 3) out.setCharAt(2, '\0');
        }
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return found;
}

bool chooseColour(HWND owner, COLORREF& out) {
    COLORREF custom[16];
    for (COLORREF& c : custom) c = 0xFFFFFF;
    CHOOSECOLORW chooser{};
    chooser.lStructSize = sizeof chooser;
    chooser.hwndOwner = owner;
    chooser.lpCustColors = custom;
    if (!ChooseColorW(&chooser)) return false;
    out = chooser.rgbResult;
    return true;
}
