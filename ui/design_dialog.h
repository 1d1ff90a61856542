// The screen design: the 17 colours of the drawing page and the applet, the
// scroll bar thickness and the Shi-Painter cursor picture, read from section
// Design of set.ini when the dialog opens and written there on OK.
#pragma once

#include <cstdint>

#include "pages/design.h"
#include "ui/controls.h"
#include "ui/window_base.h"

// The colour list: one owner-drawn line per colour, a swatch (white with a
// black cross for a default colour) and the label.
class ColourList : public ListBoxControl {
public:
    const int32_t* colours = nullptr;  // designColourCount entries, -1 default
    // Draws one line; false when the record is for another control.
    bool drawColourLine(const DRAWITEMSTRUCT& record) const;
};

class DesignDialog : public DialogBase {
public:
    // Runs template 106 owned by owner: 1 after OK, 0 after cancel.
    INT_PTR run(HWND owner);

    bool onInitDialog(LRESULT& value) override;
    bool onCommand(int id, int code, HWND control) override;
    bool onDrawItem(const DRAWITEMSTRUCT& record) override;

private:
    // The gif and png pictures of the res folder, by bare name.
    void fillCursorList();
    void saveDesign();
    void setSelectedColour(int32_t colour);
    void repaintList();

    int32_t colours_[designColourCount] = {};
    ColourList list_;
    ComboBoxControl cursors_;
};
