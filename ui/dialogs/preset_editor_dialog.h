// The preset editor: the size presets as a list of "%dx%d" lines that can be
// added, inserted, replaced, deleted and moved. Closing it (the only way out)
// stores the list into the preset table.
#pragma once

#include "app/settings.h"
#include "pages/presets.h"
#include "ui/controls.h"
#include "ui/window_base.h"

class PresetEditorDialog : public DialogBase {
public:
    explicit PresetEditorDialog(PresetTable& table) : table_(table), lines_(table) {}

    // Runs template 108 owned by owner; 1 when closed.
    INT_PTR run(HWND owner);

    bool onInitDialog(LRESULT& value) override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void fieldsText(TextBuffer& out) const;
    void add();
    void insert();
    void replace();
    void remove();
    // Moves the selected line by one place (up or down) in both lists.
    void move(bool up);

    PresetTable& table_;
    PresetLines lines_;
    ListBoxControl list_;
};
