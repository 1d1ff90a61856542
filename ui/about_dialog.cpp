#include "ui/about_dialog.h"

#include "ui/resource_ids.h"

void AboutDialog::run(HWND owner) { showModal(IDD_ABOUT, owner); }

bool AboutDialog::onCommand(int id, int, HWND) {
    if (id != IDOK && id != IDCANCEL) return false;
    endDialog(id);
    return true;
}
