// The choice of browser: the system's default or a program of the user's,
// kept in section Browser of set.ini and written there on OK.
#pragma once

#include "ui/window_base.h"

class BrowserDialog : public DialogBase {
public:
    // Runs template 105 owned by owner: 1 after OK, 0 after cancel.
    INT_PTR run(HWND owner);

    bool onInitDialog(LRESULT& value) override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void browse();
    void store();
};
