// The main window in-process: started hidden on a set.ini of the test
// program's folder whose port is a free one, driven with its commands, drops
// and menu items, and read back from its controls and menu.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cctype>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/program_files.h"
#include "ui/about_dialog.h"
#include "ui/controls.h"
#include "program/program_window.h"
#include "ui/main_window.h"
#include "ui/resource_ids.h"

using platform::win32::narrow;

namespace {

using Texts = std::vector<std::string>;

// The controls the applet kind switches, in this order.
const int kindControls[] = {IDC_MAIN_ANIMATION, IDC_MAIN_UNDO,    IDC_MAIN_UNDO_GROUP,
                            IDC_MAIN_PALETTE,   IDC_MAIN_QUALITY, IDC_MAIN_LAYERS};
// Controls no applet kind disables.
const int steadyControls[] = {IDC_MAIN_APPLET_WIDTH, IDC_MAIN_APPLET_HEIGHT, IDC_MAIN_IMAGE_WIDTH,
                              IDC_MAIN_IMAGE_HEIGHT, IDC_MAIN_LAYERS_SPIN,   IDC_MAIN_UNDO_SPIN,
                              IDC_MAIN_UNDO_GROUP_SPIN};

// Winsock for the whole test program.
const bool networkStarted = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();

// A TCP socket bound to address:port (port 0: one the system picks),
// listening when asked; closed with the object.
class BoundSocket {
public:
    BoundSocket(u_long address, uint16_t port, bool listening) {
        if (!networkStarted) return;
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (socket_ == INVALID_SOCKET) return;
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_addr.s_addr = htonl(address);
        where.sin_port = htons(port);
        if (bind(socket_, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) return;
        if (listening && listen(socket_, 1) != 0) return;
        int length = sizeof where;
        if (getsockname(socket_, reinterpret_cast<sockaddr*>(&where), &length) == 0) port_ = ntohs(where.sin_port);
    }
    ~BoundSocket() {
        if (socket_ != INVALID_SOCKET) closesocket(socket_);
    }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;

    uint16_t port() const { return port_; }  // 0 when the bind failed

private:
    SOCKET socket_ = INVALID_SOCKET;
    uint16_t port_ = 0;
};

// A port nobody listens on now: the one the system gives for port 0.
uint16_t freePort() { return BoundSocket(INADDR_LOOPBACK, 0, false).port(); }

// Whether port can be bound on loopback now (not while a server holds it).
bool portIsFree(uint16_t port) { return BoundSocket(INADDR_LOOPBACK, port, false).port() == port; }

std::string menuText(HMENU menu, int position) {
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 64, MF_BYPOSITION);
    return narrow(text);
}

bool isSeparator(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) && (info.fType & MFT_SEPARATOR) != 0;
}

// A queued WM_COMMAND for the window with that id, left in the queue.
bool commandQueued(HWND window, int id) {
    MSG message;
    if (!PeekMessageW(&message, window, WM_COMMAND, WM_COMMAND, PM_NOREMOVE)) return false;
    return LOWORD(message.wParam) == id;
}

}  // namespace

// The window is kept hidden: the message box watcher takes every visible
// dialog of the thread with an item 0xFFFF for a box, and the window's
// labels have that id.
class MainWindows : public testing::Test {
protected:
    // Writes set.ini (section Setting with a free port and setting lines,
    // then sections), creates the window and starts it.
    bool start(const std::string& setting = "", const std::string& sections = "") {
        return startOn(freePort(), setting, sections);
    }
    // The same with port stored in set.ini.
    bool startOn(uint16_t port, const std::string& setting, const std::string& sections = "") {
        port_ = port;
        if (port_ == 0) return false;
        files_.write("set.ini", "[Setting]\r\nPort=" + std::to_string(port_) + "\r\n" + setting + sections);
        session_ = std::make_unique<ProgramSession>(settings_, nullptr);
        window_ = std::make_unique<MainWindow>(settings_, session_->server());
        started_ = startProgramWindow(*session_, *window_);
        return started_;
    }
    void TearDown() override {
        if (started_) session_->close(nullptr);
        if (window_) window_->destroy();
        for (const std::string& name : placed_) platform::deleteFile(files_.file(name).c_str());
    }

    HWND main() const { return window_->handle(); }
    // A file of the program folder that the fixture removes afterwards.
    void place(const std::string& name, const std::string& bytes) {
        files_.write(name, bytes);
        placed_.push_back(name);
    }
    void selectApplet(int kind) {
        SendDlgItemMessageW(main(), IDC_MAIN_APPLET, CB_SETCURSEL, static_cast<WPARAM>(kind), 0);
        command(main(), IDC_MAIN_APPLET, CBN_SELCHANGE);
    }
    std::vector<bool> kindControlsEnabled() const {
        std::vector<bool> enabled;
        for (int id : kindControls) enabled.push_back(isEnabled(main(), id));
        return enabled;
    }
    void drop(const std::vector<std::string>& paths) {
        SendMessageW(main(), WM_DROPFILES, reinterpret_cast<WPARAM>(makeDrop(paths)), 0);
    }
    std::string imageSize() const {
        return textOf(main(), IDC_MAIN_IMAGE_WIDTH) + "x" + textOf(main(), IDC_MAIN_IMAGE_HEIGHT);
    }
    std::string selectedQuality() const {
        int n = comboSelection(main(), IDC_MAIN_QUALITY);
        return n < 0 ? "" : comboItems(main(), IDC_MAIN_QUALITY)[static_cast<size_t>(n)];
    }
    bool overwriteItemChecked() const {
        return (GetMenuState(GetMenu(main()), IDM_OVERWRITE_QUESTION, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

    ProgramFiles files_;
    Settings settings_;
    std::unique_ptr<ProgramSession> session_;
    std::unique_ptr<MainWindow> window_;
    uint16_t port_ = 0;

private:
    bool started_ = false;
    std::vector<std::string> placed_;
};

// ---- Start-up -------------------------------------------------------------------

TEST_F(MainWindows, StartsHiddenWithItsListsTheStoredSetUpAndTheSpinRanges) {
    ASSERT_TRUE(start("Applet=2\r\nImageWidth=640\r\nImageHeight=480\r\nQuality=1\r\nPalette=3\r\nLayer=4\r\n"));
    EXPECT_FALSE(IsWindowVisible(main()));
    EXPECT_EQ(windowTextOf(main()), "Sketchhaven");
    EXPECT_EQ(comboItems(main(), IDC_MAIN_APPLET),
              (Texts{"PaintBBS", "しぃペインター（標準）", "しぃペインター（プロ）", "しぃペインター（標準）/ｵｰﾙｲﾝﾜﾝ",
                     "しぃペインター（プロ）/ｵｰﾙｲﾝﾜﾝ", "pooアプレット（旧バージョン）"}));
    EXPECT_EQ(comboItems(main(), IDC_MAIN_QUALITY), (Texts{"1 （通常）", "2 （2倍）", "3 （3倍）", "4 （4倍）"}));
    EXPECT_EQ(comboItems(main(), IDC_MAIN_PALETTE),
              (Texts{"使用しない", "WCS動的パレット", "Palette-Selfy(Vuremoパレット)", "HLSカラーパレット"}));
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_APPLET), 2);
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_PALETTE), 3);
    EXPECT_EQ(selectedQuality(), "2 （2倍）");
    EXPECT_EQ(imageSize(), "640x480");
    EXPECT_EQ(textOf(main(), IDC_MAIN_LAYERS), "4");
    struct Range {
        int id, lowest, highest;
    };
    for (Range r : {Range{IDC_MAIN_IMAGE_WIDTH_SPIN, 1, 32767}, Range{IDC_MAIN_IMAGE_HEIGHT_SPIN, 1, 32767},
                    Range{IDC_MAIN_LAYERS_SPIN, 2, 255}, Range{IDC_MAIN_UNDO_SPIN, 0, 32767},
                    Range{IDC_MAIN_UNDO_GROUP_SPIN, 0, 32767}}) {
        int lowest = -1, highest = -1;
        SendDlgItemMessageW(main(), r.id, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lowest),
                            reinterpret_cast<LPARAM>(&highest));
        EXPECT_EQ(lowest, r.lowest) << r.id;
        EXPECT_EQ(highest, r.highest) << r.id;
    }
}

// ---- Applet kinds ---------------------------------------------------------------

TEST_F(MainWindows, EachAppletKindEnablesItsControlsOnTheSelectionChangeOnly) {
    ASSERT_TRUE(start("Applet=5\r\n"));
    EXPECT_FALSE(isEnabled(main(), IDC_MAIN_ANIMATION));  // the stored poo applet at start
    SendDlgItemMessageW(main(), IDC_MAIN_APPLET, CB_SETCURSEL, 0, 0);
    command(main(), IDC_MAIN_APPLET, CBN_DROPDOWN);
    EXPECT_FALSE(isEnabled(main(), IDC_MAIN_ANIMATION));
    const std::vector<bool> paintBbs{true, true, true, true, false, false}, shi(6, true), poo(6, false);
    for (int kind : {0, 1, 5, 2, 3, 4, 0, 5}) {
        selectApplet(kind);
        EXPECT_EQ(kindControlsEnabled(), kind == 0 ? paintBbs : kind == 5 ? poo : shi) << kind;
        for (int id : steadyControls) EXPECT_TRUE(isEnabled(main(), id)) << kind << " " << id;
    }
}

// ---- Applet size buttons ---------------------------------------------------------

TEST_F(MainWindows, WholeAndAutomaticSetBothAppletSizes) {
    ASSERT_TRUE(start("AppletWidth=640\r\nAppletHeight=480\r\nImageWidth=320\r\nImageHeight=240\r\n"));
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_WIDTH), "640");
    click(main(), IDC_MAIN_APPLET_WHOLE);
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_WIDTH), "-1");
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_HEIGHT), "-1");
    click(main(), IDC_MAIN_APPLET_AUTO);
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_WIDTH), "0");
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_HEIGHT), "0");
    EXPECT_EQ(imageSize(), "320x240");
}

// ---- Overwrite question ------------------------------------------------------------

TEST_F(MainWindows, OverwriteItemTogglesBitOneAndTheMarkFollows) {
    ASSERT_TRUE(start("OptionFlag=28\r\n"));
    EXPECT_FALSE(overwriteItemChecked());
    command(main(), IDM_OVERWRITE_QUESTION, 0);
    EXPECT_EQ(settings_.OptionFlag, 29);
    EXPECT_TRUE(overwriteItemChecked());
    command(main(), IDM_OVERWRITE_QUESTION, 0);
    EXPECT_EQ(settings_.OptionFlag, 28);
    EXPECT_FALSE(overwriteItemChecked());
}

// ---- Dropped pictures -----------------------------------------------------------------

// The rules of the sizes read from a file are those of followPictureToContinue;
// here the drop reaches them and the fields show what they give.
TEST_F(MainWindows, DropTakesTheFirstFileOnlyAllSelectedAndShowsItsSizeAndQuality) {
    ASSERT_TRUE(start("Quality=0\r\nApplet=1\r\n"));
    std::string record = "IMAGE_WIDTH=640\r\nimage_height=360\r\nquality=2\r\n\r\nimage_width=9\r\n";
    place("anim.spch", record);
    drop({files_.file("anim.spch"), "C:\\second[x1y1].pch"});
    EXPECT_EQ(textOf(main(), IDC_MAIN_LOAD_PATH), files_.file("anim.spch"));
    DWORD from = 1, to = 0;
    SendDlgItemMessageW(main(), IDC_MAIN_LOAD_PATH, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                        reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, static_cast<DWORD>(GetWindowTextLengthW(GetDlgItem(main(), IDC_MAIN_LOAD_PATH))));
    EXPECT_EQ(imageSize(), "640x360");
    EXPECT_EQ(selectedQuality(), "2 （2倍）");
    drop({"C:\\絵\\first[x64y48].pch"});
    EXPECT_EQ(imageSize(), "64x48");
    click(main(), IDC_MAIN_LOAD_CLEAR);
    EXPECT_EQ(textOf(main(), IDC_MAIN_LOAD_PATH), "");
}

// ---- Size presets --------------------------------------------------------------------

TEST_F(MainWindows, PresetMenuHoldsTheStoredSizesASeparatorAndEdit) {
    ASSERT_TRUE(start("", "[ImgPreset]\r\npreset0=320x240\r\npreset1=1000x50\r\npreset2=7x8\r\n"));
    for (bool empty : {false, true}) {
        if (empty) settings_.presets.clear();
        PopupMenu menu;
        ASSERT_TRUE(menu.create());
        window_->fillPresetMenu(menu);
        HMENU m = menu.handle();
        int sizes = empty ? 0 : 3;
        ASSERT_EQ(GetMenuItemCount(m), sizes + 2);
        for (int n = 0; n < sizes; ++n) {
            EXPECT_EQ(menuText(m, n), (Texts{"320x240", "1000x50", "7x8"}[static_cast<size_t>(n)]));
            EXPECT_EQ(GetMenuItemID(m, n), static_cast<UINT>(IDM_PRESET_FIRST + n));
            EXPECT_FALSE(isSeparator(m, n));
        }
        EXPECT_TRUE(isSeparator(m, sizes));
        EXPECT_EQ(menuText(m, sizes + 1), "編集");
        EXPECT_EQ(GetMenuItemID(m, sizes + 1), static_cast<UINT>(IDM_PRESET_EDIT));
    }
}

namespace {

// What the popup menu showed while it was open, and the keys given to it.
struct OpenMenu {
    Texts items;
    std::vector<UINT> keys;
};
OpenMenu* openMenu = nullptr;

void CALLBACK closeOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EndMenu();
}

void CALLBACK readOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup || !IsWindowVisible(popup) || !openMenu) return;
    KillTimer(nullptr, timer);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int n = 0; n < GetMenuItemCount(menu); ++n) openMenu->items.push_back(isSeparator(menu, n) ? "-" : menuText(menu, n));
    for (UINT key : openMenu->keys) {
        PostMessageW(popup, WM_KEYDOWN, key, 0);
        PostMessageW(popup, WM_KEYUP, key, 0);
    }
    // Keys that do not arrive must not leave the test waiting in the menu.
    SetTimer(nullptr, 0, 3000, closeOpenMenu);
}

}  // namespace

TEST_F(MainWindows, TheArrowButtonOpensThePresetMenuAndAChoiceSetsTheSize) {
    ASSERT_TRUE(start("", "[ImgPreset]\r\npreset0=320x240\r\npreset1=1000x50\r\n"));
    OpenMenu shown{{}, {VK_DOWN, VK_DOWN, VK_RETURN}};
    openMenu = &shown;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, readOpenMenu);
    click(main(), IDC_MAIN_PRESETS);
    KillTimer(nullptr, timer);
    openMenu = nullptr;
    pump(100);
    EXPECT_EQ(shown.items, (Texts{"320x240", "1000x50", "-", "編集"}));
    EXPECT_EQ(imageSize(), "1000x50");
}

TEST_F(MainWindows, ChoosingAPresetSetsThePictureSizeOnly) {
    ASSERT_TRUE(start("AppletWidth=-1\r\nAppletHeight=-1\r\n", "[ImgPreset]\r\npreset0=320x240\r\npreset1=65534x7\r\n"));
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_FIRST + 1, 0);
    EXPECT_EQ(imageSize(), "65534x7");
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_WIDTH), "-1");
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_HEIGHT), "-1");
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_FIRST + 2, 0);  // an empty slot
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_LAST, 0);
    EXPECT_EQ(imageSize(), "65534x7");
}

// ---- Draw -----------------------------------------------------------------------------

TEST_F(MainWindows, DrawSendsTheBrowserToThePageOnTheBoundPort) {
    place("PaintBBS.jar", "jar");
    ASSERT_TRUE(start("Applet=0\r\nPalette=0\r\n"));
    files_.useStandInBrowser();
    EXPECT_EQ(settings_.Port, port_);
    EXPECT_FALSE(portIsFree(port_));
    BoxWatcher boxes;
    click(main(), IDC_MAIN_DRAW);
    EXPECT_EQ(files_.standInAddress(), "http://localhost:" + std::to_string(port_) + "/draw.html");
    EXPECT_TRUE(boxes.seen().empty());
    EXPECT_NE(files_.read("draw.html").find("PaintBBS.jar"), std::string::npos);
}

// The stored port taken, and with it the fallbacks before the one expected:
// the draw goes to the port the server bound instead.
TEST_F(MainWindows, DrawAfterAFallbackToPort80LeavesThePortOut) {
    BoundSocket stored(INADDR_ANY, freePort(), true);
    if (!portIsFree(80)) GTEST_SKIP() << "port 80 is in use on this machine";
    place("PaintBBS.jar", "jar");
    ASSERT_TRUE(startOn(stored.port(), "Applet=0\r\nPalette=0\r\n"));
    files_.useStandInBrowser();
    EXPECT_EQ(settings_.Port, 80);
    click(main(), IDC_MAIN_DRAW);
    EXPECT_EQ(files_.standInAddress(), "http://localhost/draw.html");
}

TEST_F(MainWindows, DrawWarnsOfAMissingAppletArchiveOrBrowser) {
    ASSERT_TRUE(start("Applet=9\r\nPalette=0\r\n"));
    files_.useStandInBrowser();
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_APPLET), -1);
    BoxWatcher boxes;
    click(main(), IDC_MAIN_DRAW);
    selectApplet(0);
    click(main(), IDC_MAIN_DRAW);
    EXPECT_FALSE(files_.exists("draw.html"));
    pump(200);
    EXPECT_FALSE(files_.exists("stand_in_address.txt"));
    place("PaintBBS.jar", "jar");
    platform::writeProfileText("Browser", "Path", "C:\\no such browser.exe", files_.file("set.ini").c_str());
    click(main(), IDC_MAIN_DRAW);
    EXPECT_TRUE(files_.exists("draw.html"));  // the page stays
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.seen()[0].text, "アプレットを選択してください");
    EXPECT_EQ(boxes.seen()[1].text, "PaintBBS.jarが見つかりません");
    EXPECT_EQ(boxes.seen()[2].text, "ブラウザ起動エラー");
    for (const SeenBox& box : boxes.seen()) {
        EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_WARNING));
        EXPECT_TRUE(box.topmost);
    }
}

// ---- Animation playback ------------------------------------------------------------------

TEST_F(MainWindows, PlaybackDialogKeepsItsProgressChoiceInBitOneHoweverItCloses) {
    ASSERT_TRUE(start("OptionFlag=23\r\n"));
    for (bool close : {true, false}) {
        bool shownChecked = !close;
        DialogWatcher playback(main(), [&](HWND dialog) {
            shownChecked = isChecked(dialog, IDC_PLAYBACK_PROGRESS);
            click(dialog, IDC_PLAYBACK_PROGRESS);
            SendMessageW(dialog, close ? WM_CLOSE : WM_COMMAND, close ? 0 : IDCANCEL, 0);
        });
        command(main(), IDM_PLAYBACK, 0);
        EXPECT_TRUE(playback.ran());
        EXPECT_EQ(shownChecked, close);
        EXPECT_EQ(settings_.OptionFlag, close ? 21 : 23);
    }
}

// ---- Command line --------------------------------------------------------------------------

TEST_F(MainWindows, CommandLineShowsAppletAndSize) {
    ASSERT_TRUE(start("Applet=5\r\nImageWidth=300\r\nImageHeight=300\r\nPalette=1\r\n"));
    window_->applyCommandLine("-a2 -w640 -h480");
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_APPLET), 2);
    EXPECT_EQ(imageSize(), "640x480");
    EXPECT_EQ(kindControlsEnabled(), (std::vector<bool>{true, true, true, true, true, true}));
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_PALETTE), 1);
    EXPECT_FALSE(commandQueued(main(), IDC_MAIN_DRAW));
}

TEST_F(MainWindows, CommandLineDrawStartsOnceTheQueueRuns) {
    place("PaintBBS.jar", "jar");
    ASSERT_TRUE(start("Applet=5\r\nPalette=0\r\n"));
    files_.useStandInBrowser();
    window_->applyCommandLine("-a0 -w64 -h32 -r");
    EXPECT_TRUE(commandQueued(main(), IDC_MAIN_DRAW));
    EXPECT_FALSE(files_.exists("draw.html"));
    pump(100);
    EXPECT_EQ(files_.standInAddress(), "http://localhost:" + std::to_string(port_) + "/draw.html");
    EXPECT_NE(files_.read("draw.html").find("PaintBBS.jar"), std::string::npos);
}

// ---- Stop and exit ---------------------------------------------------------------------------

namespace {

const char* const temporaryFiles[] = {"_post.dat", "_tmppng.dat", "_tmppch.dat", "_load.dat"};
const char* const keptFiles[] = {"draw.html", "anim.html", "_prev.dat"};

}  // namespace

TEST_F(MainWindows, ShutDownDeletesTheTemporaryFilesAndFreesThePort) {
    ASSERT_TRUE(start());
    for (const char* name : temporaryFiles) files_.write(name, "temporary");
    for (const char* name : keptFiles) files_.write(name, "kept");
    EXPECT_FALSE(portIsFree(port_));
    SetCurrentDirectoryW(L"C:\\");
    session_->close(nullptr);
    for (const char* name : temporaryFiles) EXPECT_FALSE(files_.exists(name)) << name;
    for (const char* name : keptFiles) EXPECT_EQ(files_.read(name), "kept") << name;
    EXPECT_TRUE(portIsFree(port_));
}

// The program's version information and its About box carry the one version
// of the build, and the manifest gives it the common controls of version 6.
TEST(ProgramResources, AboutBoxShowsTheVersionOfTheVersionInformation) {
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
    auto text = [&](const wchar_t* key) {
        wchar_t* value = nullptr;
        UINT length = 0;
        std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
        if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) return std::string();
        return narrow(value);
    };
    EXPECT_EQ(text(L"ProductName"), "Sketchhaven");
    std::string version = text(L"ProductVersion");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(version, std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                           std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                           std::to_string(HIWORD(fixed->dwProductVersionLS)));
    EXPECT_EQ(text(L"FileVersion"), version);

    AboutDialog about;
    std::string shown;
    runModal(about, IDD_ABOUT, nullptr, [&](HWND dialog) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t caption[128] = L"";
            GetWindowTextW(child, caption, 128);
            if (std::wstring(caption).rfind(L"Sketchhaven", 0) == 0) shown = narrow(caption);
        }
        click(dialog, IDOK);
    });
    EXPECT_EQ(shown, "Sketchhaven バージョン " + version);

    // The common controls in use come from the side-by-side assembly of
    // version 6 that the manifest asks for.
    wchar_t controls[MAX_PATH] = L"";
    GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), controls, MAX_PATH);
    std::string controlsPath = narrow(controls);
    for (char& c : controlsPath) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(controlsPath.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos)
        << controlsPath;
}
