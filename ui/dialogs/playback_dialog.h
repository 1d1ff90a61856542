// The animation playback dialog: an animation file named by typing,
// browsing or dropping, its size filled in from the file, and play, which
// writes anim.html and opens it in the browser.
#pragma once

#include <cstdint>

#include "ui/window_base.h"

class PlaybackDialog : public DialogBase {
public:
    // Whether the applet shows its progress bar: set before the run, read
    // back after it whatever ended it.
    bool showProgress = false;
    // The server's port, for a page the browser fetches from it.
    uint16_t port = 80;

    // Runs template 107 owned by owner: 1 after play, 0 after back.
    INT_PTR run(HWND owner);

    bool onInitDialog(LRESULT& value) override;
    bool onDropFiles(HDROP drop) override;
    bool onCommand(int id, int code, HWND control) override;

private:
    void browse();
    // Puts path into the file field, all selected, and the file's size
    // into the three size fields.
    void takeFile(const char* path);
    // False when the path is empty (after the warning): the dialog stays.
    bool play();
};
