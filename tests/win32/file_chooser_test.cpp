// The open and save file choosers of the system with the preview pane.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <string>

#include "app/text_buffer.h"
#include "tests/support/temp_folder.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/test_pictures.h"
#include "ui/file_choosers.h"
#include "ui/resource_ids.h"

namespace {

HWND previewPane(HWND chooser) { return FindWindowExW(chooser, nullptr, L"#32770", nullptr); }

HWND fileList(HWND chooser) {
    HWND view = FindWindowExW(chooser, nullptr, L"SHELLDLL_DefView", nullptr);
    return view ? FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
}

COLORREF centreOf(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    return printedPixel(control, client.right / 2, client.bottom / 2);
}

void setFileName(HWND chooser, const wchar_t* name) {
    SendMessageW(chooser, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(name));
    SendMessageW(chooser, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(name));
}

struct FileChoosers : ::testing::Test {
    void SetUp() override {
        RasterImage red;
        ASSERT_TRUE(fillPicture(red, 400, 300, RGB(0xFF, 0, 0)));
        ASSERT_TRUE(writePngFile(red, "a.png"));
        folder.write("b.txt", "text");
        filter.loadString(IDS_PICTURE_FILTER);
        filter.replaceAll('\n', '\0');
    }
    TempFolder folder;
    TextBuffer filter{255};
    TextBuffer result{511};
    FilePreview preview;
};

}  // namespace

TEST_F(FileChoosers, PreviewShowsTheSelectedPictureUntilSwitchedOff) {
    COLORREF shown = 0;
    COLORREF afterSwitch = 0;
    bool startedOn = false;
    bool hasPreview = false;
    DialogWatcher watcher(nullptr, [&](HWND chooser) {
        HWND pane = previewPane(chooser);
        HWND view = pane ? GetDlgItem(pane, IDC_CHOOSER_PREVIEW) : nullptr;
        hasPreview = view != nullptr;
        if (!view) {
            SendMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        startedOn = isChecked(pane, IDC_CHOOSER_PREVIEW_SWITCH);
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(fileList(chooser), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        pump(300);
        shown = centreOf(view);
        click(pane, IDC_CHOOSER_PREVIEW_SWITCH);
        afterSwitch = centreOf(view);
        EXPECT_FALSE(isChecked(pane, IDC_CHOOSER_PREVIEW_SWITCH));
        click(chooser, IDOK);
    });
    bool chosen = chooseOpenFile(&preview, nullptr, IDD_CHOOSER_PREVIEW, filter.text(), "", folder.path().string().c_str(),
                                 true, false, result);
    EXPECT_TRUE(watcher.ran());
    ASSERT_TRUE(hasPreview);
    EXPECT_TRUE(startedOn);
    EXPECT_EQ(shown, RGB(0xFF, 0, 0));
    EXPECT_EQ(afterSwitch, GetSysColor(COLOR_BTNSHADOW));
    ASSERT_TRUE(chosen);
    std::string path = result.text();
    ASSERT_GE(path.size(), 6u);
    EXPECT_EQ(path.substr(path.size() - 6), "\\a.png");
    EXPECT_EQ(path.find(':'), 1u);  // a full path
}

TEST_F(FileChoosers, TypedNamesAreGivenBareMissingFilesRefusedAndCancelChoosesNothing) {
    struct Run {
        bool save;
        const wchar_t* typed;  // null: cancel at once
        bool chosen;
        const char* result;
    };
    for (Run r : {Run{false, L"b.txt", true, "b.txt"}, Run{true, L"新しい絵", true, "新しい絵"},
                  Run{false, L"zz.png", false, "kept"}, Run{false, nullptr, false, "kept"}}) {
        BoxWatcher boxes;
        result.assign("kept");
        DialogWatcher watcher(nullptr, [&](HWND chooser) {
            if (r.typed) {
                setFileName(chooser, r.typed);
                click(chooser, IDOK);
                if (r.chosen) return;  // the chooser is ending
                pump(500);             // the refusal's box comes and is answered
            }
            SendMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
        });
        auto choose = r.save ? chooseSaveFile : chooseOpenFile;
        EXPECT_EQ(choose(&preview, nullptr, IDD_CHOOSER_PREVIEW, filter.text(), "", folder.path().string().c_str(), false,
                         false, result),
                  r.chosen);
        EXPECT_TRUE(watcher.ran());
        EXPECT_STREQ(result.text(), r.result);
        EXPECT_EQ(boxes.seen().size(), r.typed && !r.chosen ? 1u : 0u);  // the file must exist
    }
}
