#include "ui/dialogs/preset_editor_dialog.h"

#include "app/text_buffer.h"
#include "ui/resource_ids.h"

namespace {

constexpr char fullWarning[] = "これ以上追加できません";

}  // namespace

INT_PTR PresetEditorDialog::run(HWND owner) { return showModal(IDD_PRESET_EDITOR, owner); }

bool PresetEditorDialog::onInitDialog(LRESULT& value) {
    list_.attach(handle(), IDC_PRESET_LIST);
    for (const std::string& line : lines_.lines()) list_.addString(line.c_str());
    value = TRUE;
    return true;
}

void PresetEditorDialog::fieldsText(TextBuffer& out) const {
    editFieldsText(itemUnsigned(IDC_PRESET_WIDTH), itemUnsigned(IDC_PRESET_HEIGHT), out);
}

void PresetEditorDialog::add() {
    TextBuffer text;
    fieldsText(text);
    if (lines_.add(text.text()) == PresetEdit::full) {
        warn(fullWarning);
        return;
    }
    list_.addString(text.text());
}

void PresetEditorDialog::insert() {
    int at = lines_.selected();
    TextBuffer text;
    fieldsText(text);
    PresetEdit edit = lines_.insert(text.text());
    if (edit == PresetEdit::full) warn(fullWarning);
    if (edit != PresetEdit::done) return;
    list_.insertString(at, text.text());
    list_.setSelection(lines_.selected());
}

void PresetEditorDialog::replace() {
    TextBuffer text;
    fieldsText(text);
    int at = lines_.selected();
    if (lines_.replace(text.text())) list_.replaceString(at, text.text());
}

void PresetEditorDialog::remove() {
    int at = lines_.selected();
    if (!lines_.remove()) return;
    list_.deleteString(at);
    list_.setSelection(lines_.selected());
}

void PresetEditorDialog::move(bool up) {
    int from = lines_.selected();
    if (!(up ? lines_.moveUp() : lines_.moveDown())) return;
    int to = lines_.selected();
    TextBuffer text;
    list_.text(from, text);
    list_.deleteString(from);
    list_.insertString(to, text.text());
    list_.setSelection(to);
}

bool PresetEditorDialog::onCommand(int id, int code, HWND) {
    if (id == IDC_PRESET_LIST) {
        if (code == LBN_SELCHANGE) lines_.select(list_.selection());
        return code == LBN_SELCHANGE;
    }
    lines_.select(list_.selection());
    switch (id) {
    case IDC_PRESET_ADD: add(); return true;
    case IDC_PRESET_INSERT: insert(); return true;
    case IDC_PRESET_REPLACE: replace(); return true;
    case IDC_PRESET_DELETE: remove(); return true;
    case IDC_PRESET_UP: move(true); return true;
    case IDC_PRESET_DOWN: move(false); return true;
    case IDCANCEL:
        lines_.store(table_);
        endDialog(1);
        return true;
    default:
        return false;
    }
}
