#include "ui/main_window.h"

#include <commctrl.h>

#include "app/browser_launch.h"
#include "app/command_line.h"
#include "app/program_folder.h"
#include "app/text_buffer.h"
#include "pages/applets.h"
#include "pages/drawing_page.h"
#include "pages/gallery.h"
#include "pages/painter_choice.h"
#include "pages/playback.h"
#include "pages/presets.h"
#include "platform/platform.h"
#include "ui/about_dialog.h"
#include "ui/browser_dialog.h"
#include "ui/design_dialog.h"
#include "ui/dialogs/playback_dialog.h"
#include "ui/dialogs/preset_editor_dialog.h"
#include "ui/dropped_file.h"
#include "ui/file_choosers.h"
#include "ui/resource_ids.h"

const char homePageAddress[] = "Help.chm";

namespace {

constexpr int filterCapacity = 255;
constexpr int largeIconSide = 32;
constexpr int smallIconSide = 16;
constexpr int pooKind = static_cast<int>(AppletKind::Poo);
constexpr int firstShiPainterKind = static_cast<int>(AppletKind::ShiPainterNormal);
constexpr int lastShiPainterKind = static_cast<int>(AppletKind::ShiPainterAllPro);

struct SpinRange {
    int id;
    int lowest;
    int highest;
};

const SpinRange spinRanges[] = {
    {IDC_MAIN_IMAGE_WIDTH_SPIN, 1, 32767},
    {IDC_MAIN_IMAGE_HEIGHT_SPIN, 1, 32767},
    {IDC_MAIN_LAYERS_SPIN, 2, 255},
    {IDC_MAIN_UNDO_SPIN, 0, 32767},
    {IDC_MAIN_UNDO_GROUP_SPIN, 0, 32767},
};

// The spin controls follow their fields; they are never disabled themselves.
const int fieldSpins[] = {IDC_MAIN_LAYERS_SPIN, IDC_MAIN_UNDO_SPIN, IDC_MAIN_UNDO_GROUP_SPIN};

HICON loadProgramIcon(int side) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, side, side, 0));
}

}  // namespace

MainWindow::MainWindow(Settings& settings, LocalServer& server) : settings_(settings), server_(server) {}

MainWindow::~MainWindow() {
    destroy();
    if (largeIcon_) DestroyIcon(largeIcon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
}

bool MainWindow::create() {
    if (!createModeless(IDD_MAIN, nullptr)) return false;
    applets_.attach(handle(), IDC_MAIN_APPLET);
    qualities_.attach(handle(), IDC_MAIN_QUALITY);
    palettes_.attach(handle(), IDC_MAIN_PALETTE);
    return true;
}

void MainWindow::showStart(const DrawingSetup& setup) {
    setIcons();
    showOverwriteQuestion();
    fillLists();
    showSetup(setup);
    setSpinRanges();
}

void MainWindow::applyCommandLine(const char* text) {
    DrawingSetup setup;
    readSetup(setup);
    CommandLineResult result = ::applyCommandLine(text, setup);
    showSetup(setup);
    if (result.pictureGiven) takePicture(setup.continuePath.text());
    if (result.galleryRequested)
        postMessage(WM_COMMAND, IDM_GALLERY, 0);
    else if (result.drawRequested)
        postMessage(WM_COMMAND, IDC_MAIN_DRAW, 0);
}

void MainWindow::setIcons() {
    if (!largeIcon_) largeIcon_ = loadProgramIcon(largeIconSide);
    if (!smallIcon_) smallIcon_ = loadProgramIcon(smallIconSide);
    SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void MainWindow::fillLists() {
    for (const AppletEntry& entry : appletEntries) applets_.addString(entry.label);
    for (const char* label : qualityLabels) qualities_.addString(label);
    for (const PaletteEntry& entry : paletteEntries) palettes_.addString(entry.label);
}

void MainWindow::setSpinRanges() {
    for (const SpinRange& range : spinRanges) {
        sendItemMessage(range.id, UDM_SETRANGE32, static_cast<WPARAM>(range.lowest), range.highest);
    }
}

void MainWindow::showOverwriteQuestion() {
    bool on = (settings_.OptionFlag & optionAskOverwrite) != 0;
    CheckMenuItem(GetMenu(handle()), IDM_OVERWRITE_QUESTION, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::showSetup(const DrawingSetup& setup) {
    applets_.setSelection(setup.kind);
    setItemSigned(IDC_MAIN_APPLET_WIDTH, setup.appletWidth);
    setItemSigned(IDC_MAIN_APPLET_HEIGHT, setup.appletHeight);
    setItemUnsigned(IDC_MAIN_IMAGE_WIDTH, setup.imageWidth);
    setItemUnsigned(IDC_MAIN_IMAGE_HEIGHT, setup.imageHeight);
    checkItem(IDC_MAIN_ANIMATION, setup.animation);
    qualities_.setSelection(setup.quality);
    setItemUnsigned(IDC_MAIN_LAYERS, setup.layers);
    setItemUnsigned(IDC_MAIN_UNDO, setup.undo);
    setItemUnsigned(IDC_MAIN_UNDO_GROUP, setup.undoBatch);
    palettes_.setSelection(setup.palette);
    checkItem(IDC_MAIN_BUILTIN_PAINTER, setup.builtInPainter);
    setItemText(IDC_MAIN_LOAD_PATH, setup.continuePath.text());
    applyAppletKind(setup.kind);
}

void MainWindow::readSetup(DrawingSetup& setup) const {
    setup.kind = applets_.selection();
    setup.appletWidth = itemSigned(IDC_MAIN_APPLET_WIDTH);
    setup.appletHeight = itemSigned(IDC_MAIN_APPLET_HEIGHT);
    setup.imageWidth = itemUnsigned(IDC_MAIN_IMAGE_WIDTH);
    setup.imageHeight = itemUnsigned(IDC_MAIN_IMAGE_HEIGHT);
    setup.animation = isItemChecked(IDC_MAIN_ANIMATION);
    setup.quality = qualities_.selection();
    setup.layers = itemUnsigned(IDC_MAIN_LAYERS);
    setup.undo = itemUnsigned(IDC_MAIN_UNDO);
    setup.undoBatch = itemUnsigned(IDC_MAIN_UNDO_GROUP);
    setup.palette = palettes_.selection();
    setup.builtInPainter = isItemChecked(IDC_MAIN_BUILTIN_PAINTER);
    setup.timelapse = timelapseAsk(settings_);
    itemText(IDC_MAIN_LOAD_PATH, setup.continuePath);
}

void MainWindow::applyAppletKind(int kind) {
    bool notPoo = kind < pooKind;
    bool shiPainter = kind >= firstShiPainterKind && kind <= lastShiPainterKind;
    enableItem(IDC_MAIN_ANIMATION, notPoo);
    enableItem(IDC_MAIN_UNDO, notPoo);
    enableItem(IDC_MAIN_UNDO_GROUP, notPoo);
    enableItem(IDC_MAIN_PALETTE, notPoo);
    enableItem(IDC_MAIN_QUALITY, shiPainter);
    enableItem(IDC_MAIN_LAYERS, shiPainter);
    for (int id : fieldSpins) InvalidateRect(item(id), nullptr, TRUE);
    showPainterName();
}

void MainWindow::showPainterName() {
    DrawingSetup setup;
    readSetup(setup);
    TextBuffer folder(pathCapacity);
    programFolder(folder);
    PainterUse use;
    TextBuffer name(longTextCapacity);
    TextBuffer line(longTextCapacity);
    if (choosePainter(setup, folder.text(), use, name)) {
        painterName(use, setup, folder.text(), name);
        line.assign("ペインター：");
        line.append(name.text());
    } else {
        line.assign("ペインター：なし（お絵描きで理由を表示）");
    }
    setItemText(IDC_MAIN_PAINTER_NAME, line.text());
}

void MainWindow::readPictureSize() {
    DrawingSetup setup;
    readSetup(setup);
    followPictureToContinue(setup);
    setItemUnsigned(IDC_MAIN_IMAGE_WIDTH, setup.imageWidth);
    setItemUnsigned(IDC_MAIN_IMAGE_HEIGHT, setup.imageHeight);
    qualities_.setSelection(setup.quality);
}

void MainWindow::fillPresetMenu(PopupMenu& menu) const {
    int count = settings_.presets.count();
    for (int n = 0; n < count; ++n) {
        TextBuffer text;
        presetText(settings_.presets.slots[n], text);
        menu.addItem(static_cast<UINT>(n), true, static_cast<UINT>(IDM_PRESET_FIRST + n), text.text());
    }
    menu.addSeparator(static_cast<UINT>(count), true);
    menu.addItem(static_cast<UINT>(count + 1), true, IDM_PRESET_EDIT, "編集");
}

void MainWindow::showPresetMenu() {
    PopupMenu menu;
    if (!menu.create()) return;
    fillPresetMenu(menu);
    RECT button;
    GetWindowRect(item(IDC_MAIN_PRESETS), &button);
    menu.track(handle(), button.left, button.bottom, 0);
}

void MainWindow::choosePreset(int index) {
    if (index >= settings_.presets.count()) return;
    setItemUnsigned(IDC_MAIN_IMAGE_WIDTH, settings_.presets.slots[index].width);
    setItemUnsigned(IDC_MAIN_IMAGE_HEIGHT, settings_.presets.slots[index].height);
}

void MainWindow::exitProgram() {
    readSetup(exitSetup_);
    exited_ = true;
    destroy();
    PostQuitMessage(0);
}

void MainWindow::draw() {
    DrawingSetup setup;
    readSetup(setup);
    TextBuffer folder(pathCapacity);
    programFolder(folder);
    // A failed check or browser start has shown its own warning.
    startDrawing(setup, folder.text(), settings_.Port, handle());
}

void MainWindow::openGallery() {
    TextBuffer address;
    galleryPageAddress(settings_.Port, address);
    // A browser that cannot be started has shown its own warning.
    launchBrowser(handle(), address.text());
}

void MainWindow::browseForPicture() {
    TextBuffer filter(filterCapacity);
    filter.loadString(IDS_PICTURE_FILTER);
    filter.replaceAll('\n', '\0');
    TextBuffer chosen(pathCapacity);
    FilePreview preview;
    if (chooseOpenFile(&preview, handle(), IDD_CHOOSER_PREVIEW, filter.text(), "", nullptr, true, false, chosen)) {
        takePicture(chosen.text());
    }
    enterProgramFolder();
}

void MainWindow::takePicture(const char* path) {
    setItemText(IDC_MAIN_LOAD_PATH, path);
    sendItemMessage(IDC_MAIN_LOAD_PATH, EM_SETSEL, 0, -1);
    readPictureSize();
    showPainterName();
}

void MainWindow::runPlayback() {
    PlaybackDialog dialog;
    dialog.port = settings_.Port;
    dialog.showProgress = (settings_.OptionFlag & optionPlaybackProgress) != 0;
    dialog.run(handle());
    if (dialog.showProgress) settings_.OptionFlag |= optionPlaybackProgress;
    else settings_.OptionFlag &= static_cast<uint16_t>(~optionPlaybackProgress);
}

bool MainWindow::onCommand(int id, int code, HWND) {
    if (id >= IDM_PRESET_FIRST && id <= IDM_PRESET_LAST) {
        choosePreset(id - IDM_PRESET_FIRST);
        return true;
    }
    switch (id) {
    case IDCANCEL:
    case IDM_EXIT: exitProgram(); return true;
    case IDC_MAIN_APPLET:
        if (code == CBN_SELCHANGE) applyAppletKind(applets_.selection());
        return true;
    case IDC_MAIN_PALETTE:
        if (code == CBN_SELCHANGE) showPainterName();
        return true;
    case IDC_MAIN_BUILTIN_PAINTER: showPainterName(); return true;
    case IDC_MAIN_LOAD_BROWSE: browseForPicture(); return true;
    case IDC_MAIN_LOAD_CLEAR:
        setItemText(IDC_MAIN_LOAD_PATH, "");
        showPainterName();
        return true;
    case IDC_MAIN_DRAW:
        draw();
        showPainterName();  // files may have come or gone since
        return true;
    case IDC_MAIN_PRESETS: showPresetMenu(); return true;
    case IDC_MAIN_APPLET_AUTO:
        setItemSigned(IDC_MAIN_APPLET_WIDTH, 0);
        setItemSigned(IDC_MAIN_APPLET_HEIGHT, 0);
        return true;
    case IDC_MAIN_APPLET_WHOLE:
        setItemSigned(IDC_MAIN_APPLET_WIDTH, -1);
        setItemSigned(IDC_MAIN_APPLET_HEIGHT, -1);
        return true;
    case IDM_HELP: platform::shellOpen(handle(), "Help.chm", nullptr); return true;
    case IDM_ABOUT: AboutDialog().run(handle()); return true;
    case IDM_PLAYBACK: runPlayback(); return true;
    case IDM_GALLERY: openGallery(); return true;
    case IDM_DESIGN: DesignDialog().run(handle()); return true;
    case IDM_BROWSER: BrowserDialog().run(handle()); return true;
    case IDM_OVERWRITE_QUESTION:
        settings_.OptionFlag ^= optionAskOverwrite;
        showOverwriteQuestion();
        return true;
    case IDM_HOME_PAGE: platform::shellOpen(nullptr, homePageAddress, nullptr); return true;
    case IDM_PRESET_EDIT: PresetEditorDialog(settings_.presets).run(handle()); return true;
    default: return false;
    }
}

bool MainWindow::onDropFiles(HDROP drop) {
    TextBuffer path(pathCapacity);
    if (!takeFirstDroppedFile(drop, path)) return true;
    SetForegroundWindow(handle());
    takePicture(path.text());
    return true;
}

bool MainWindow::onActivateApp(WPARAM active, LPARAM) {
    if (active) showPainterName();
    return false;
}

bool MainWindow::onUserMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return server_.onSocketEvent(message, wParam, lParam);
}
