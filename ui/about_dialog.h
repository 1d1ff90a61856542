// The About box: the program's icon, name and version; OK or Escape closes it.
#pragma once

#include "ui/window_base.h"

class AboutDialog : public DialogBase {
public:
    // Runs template 104 owned by owner.
    void run(HWND owner);
    bool onCommand(int id, int code, HWND control) override;
};
