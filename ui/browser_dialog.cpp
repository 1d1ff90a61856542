#include "ui/browser_dialog.h"

#include "app/program_folder.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "ui/file_choosers.h"
#include "ui/resource_ids.h"

namespace {

constexpr char section[] = "Browser";
// One description and pattern pair, then the empty text that ends the list.
constexpr char programFilter[] = "exeﾌｧｲﾙ(*.exe)\0*.exe\0";

}  // namespace

INT_PTR BrowserDialog::run(HWND owner) { return showModal(IDD_BROWSER, owner); }

bool BrowserDialog::onInitDialog(LRESULT& value) {
    TextBuffer file(pathCapacity);
    settingsPath(file);
    IniSection browser(file.text(), section);
    int32_t flag = browser.getInt("Flag", 0);
    TextBuffer path(pathCapacity);
    browser.getText("Path", path, "");
    checkItem(IDC_BROWSER_STANDARD, flag == 0);
    checkItem(IDC_BROWSER_GIVEN, flag == 1);
    setItemText(IDC_BROWSER_PATH, path.text());
    value = TRUE;
    return true;
}

bool BrowserDialog::onCommand(int id, int, HWND) {
    switch (id) {
    case IDOK:
        store();
        endDialog(1);
        return true;
    case IDCANCEL:
        endDialog(0);
        return true;
    case IDC_BROWSER_BROWSE:
        browse();
        return true;
    default:
        return false;
    }
}

// The path is kept even when the standard browser is chosen, so that a
// program typed once stays for later.
void BrowserDialog::store() {
    TextBuffer file(pathCapacity);
    settingsPath(file);
    IniSection browser(file.text(), section);
    browser.setInt("Flag", isItemChecked(IDC_BROWSER_STANDARD) ? 0 : 1);
    TextBuffer path(pathCapacity);
    itemText(IDC_BROWSER_PATH, path);
    browser.setText("Path", path.text());
}

void BrowserDialog::browse() {
    TextBuffer chosen(pathCapacity);
    if (chooseOpenFile(nullptr, handle(), 0, programFilter, "exe", nullptr, true, false, chosen)) {
        setItemText(IDC_BROWSER_PATH, chosen.text());
    }
    enterProgramFolder();
}
