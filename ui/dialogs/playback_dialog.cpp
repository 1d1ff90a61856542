#include "ui/dialogs/playback_dialog.h"

#include "app/program_folder.h"
#include "app/text_buffer.h"
#include "pages/playback.h"
#include "ui/dropped_file.h"
#include "ui/file_choosers.h"
#include "ui/resource_ids.h"

namespace {

constexpr uint32_t startSide = 300;
constexpr uint32_t startLayers = 2;
constexpr char animationFilter[] = "ｱﾆﾒｰｼｮﾝﾌｧｲﾙ(*.pch;*.spch)\0*.pch;*.spch\0すべてのﾌｧｲﾙ(*.*)\0*.*\0";

}  // namespace

INT_PTR PlaybackDialog::run(HWND owner) { return showModal(IDD_PLAYBACK, owner); }

bool PlaybackDialog::onInitDialog(LRESULT& value) {
    setItemUnsigned(IDC_PLAYBACK_WIDTH, startSide);
    setItemUnsigned(IDC_PLAYBACK_HEIGHT, startSide);
    setItemUnsigned(IDC_PLAYBACK_LAYERS, startLayers);
    checkItem(IDC_PLAYBACK_PROGRESS, showProgress);
    value = TRUE;
    return true;
}

void PlaybackDialog::takeFile(const char* path) {
    setItemText(IDC_PLAYBACK_PATH, path);
    sendItemMessage(IDC_PLAYBACK_PATH, EM_SETSEL, 0, -1);
    int32_t width = 0;
    int32_t height = 0;
    int32_t layers = 0;
    readAnimationSize(path, width, height, layers);
    setItemUnsigned(IDC_PLAYBACK_WIDTH, static_cast<uint32_t>(width));
    setItemUnsigned(IDC_PLAYBACK_HEIGHT, static_cast<uint32_t>(height));
    setItemUnsigned(IDC_PLAYBACK_LAYERS, static_cast<uint32_t>(layers));
}

bool PlaybackDialog::onDropFiles(HDROP drop) {
    TextBuffer path(pathCapacity);
    if (!takeFirstDroppedFile(drop, path)) return true;
    if (!isAnimationFileName(path.text())) {
        warn("\"pch\" か \"spch\" のﾌｧｲﾙを指定してください");
        return true;
    }
    SetForegroundWindow(handle());
    takeFile(path.text());
    return true;
}

void PlaybackDialog::browse() {
    TextBuffer chosen(pathCapacity);
    if (chooseOpenFile(nullptr, handle(), 0, animationFilter, "pch", nullptr, true, false, chosen)) {
        takeFile(chosen.text());
    }
    enterProgramFolder();
}

bool PlaybackDialog::play() {
    TextBuffer path(pathCapacity);
    itemText(IDC_PLAYBACK_PATH, path);
    showProgress = isItemChecked(IDC_PLAYBACK_PROGRESS);
    PlaybackRequest request{path.text(), itemUnsigned(IDC_PLAYBACK_WIDTH), itemUnsigned(IDC_PLAYBACK_HEIGHT),
                            itemUnsigned(IDC_PLAYBACK_LAYERS), showProgress, port};
    TextBuffer folder(pathCapacity);
    programFolder(folder);
    // A browser that cannot be started has shown its own warning; the page
    // is written and the dialog ends all the same.
    playAnimation(request, folder.text(), handle());
    return !path.isEmpty();
}

bool PlaybackDialog::onCommand(int id, int, HWND) {
    switch (id) {
    case IDOK:
        if (play()) endDialog(1);
        return true;
    case IDCANCEL:
        showProgress = isItemChecked(IDC_PLAYBACK_PROGRESS);
        endDialog(0);
        return true;
    case IDC_PLAYBACK_BROWSE:
        browse();
        return true;
    default:
        return false;
    }
}
