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
#include "image/raster_image.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "tests/win32/dialog_driver.h"
#include "tests/win32/program_files.h"
#include "tests/win32/test_pictures.h"
#include "ui/about_dialog.h"
#include "ui/controls.h"
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

constexpr DWORD replyWait = 5000;

// Winsock for the life of the object.
class Network {
public:
    Network() { started_ = WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~Network() {
        if (started_) WSACleanup();
    }
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

private:
    WSADATA data_{};
    bool started_ = false;
};

// A TCP socket bound to address:port (port 0: one the system picks),
// listening when asked; closed with the object.
class BoundSocket {
public:
    BoundSocket(u_long address, uint16_t port, bool listening) {
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
    Network network_;
    SOCKET socket_ = INVALID_SOCKET;
    uint16_t port_ = 0;
};

// A port nobody listens on now: the one the system gives for port 0.
uint16_t freePort() { return BoundSocket(INADDR_LOOPBACK, 0, false).port(); }

// Whether port can be bound on loopback now (not while a server holds it).
bool portIsFree(uint16_t port) { return BoundSocket(INADDR_LOOPBACK, port, false).port() == port; }

// GET of path from the server of this thread on loopback, pumping the queue
// meanwhile so that the window can answer. The reply as far as it came: the
// head and Content-Length bytes of body, or what arrived within a few seconds.
std::string fetch(uint16_t port, const char* path) {
    Network network;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return "";
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    where.sin_port = htons(port);
    connect(s, reinterpret_cast<sockaddr*>(&where), sizeof where);
    const std::string request = std::string("GET ") + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    bool sent = false;
    std::string reply;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < replyWait) {
        pump(10);
        if (!sent) {
            sent = send(s, request.data(), static_cast<int>(request.size()), 0) == static_cast<int>(request.size());
            continue;
        }
        char buffer[4096];
        int n = recv(s, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && WSAGetLastError() != WSAEWOULDBLOCK)) break;
        if (n > 0) reply.append(buffer, static_cast<size_t>(n));
        size_t headEnd = reply.find("\r\n\r\n");
        size_t lengthLine = reply.find("Content-Length: ");
        if (headEnd != std::string::npos && lengthLine < headEnd &&
            reply.size() >= headEnd + 4 + std::strtoul(reply.c_str() + lengthLine + 16, nullptr, 10)) {
            break;
        }
    }
    closesocket(s);
    return reply;
}

std::string bodyOf(const std::string& reply) {
    size_t headEnd = reply.find("\r\n\r\n");
    return headEnd == std::string::npos ? "" : reply.substr(headEnd + 4);
}

std::string little16(unsigned value) {
    return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

std::string little32(unsigned value) { return little16(value & 0xFFFF) + little16(value >> 16); }

std::string big16(unsigned value) { return {static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)}; }

// The file and info headers of a 24-bit BMP of that size (no pixels).
std::string bmpHead(unsigned width, unsigned height) {
    return "BM" + little32(54) + little32(0) + little32(54) + little32(40) + little32(width) + little32(height) +
           little16(1) + little16(24) + std::string(24, '\0');
}

std::string gifHead(unsigned width, unsigned height) {
    return "GIF89a" + little16(width) + little16(height) + std::string("\x00\x00\x00", 3) + ";";
}

// SOI, a JFIF segment, a comment segment and, when asked, a baseline frame
// header of that size.
std::string jpegHead(unsigned width, unsigned height, bool withFrame) {
    std::string bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    bytes += std::string("\xFF\xFE", 2) + big16(5) + "abc";
    if (withFrame) {
        bytes += std::string("\xFF\xC0", 2) + big16(11) + '\x08' + big16(height) + big16(width) +
                 std::string("\x01\x01\x11\x00", 4);
    }
    return bytes + "\xFF\xD9";
}

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
        window_ = std::make_unique<MainWindow>(settings_, nullptr);
        if (!window_->create()) return false;
        started_ = window_->startUp();
        return started_;
    }
    void TearDown() override {
        if (started_) window_->shutDown();
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

TEST_F(MainWindows, PooDisablesAnimationUndoPaletteQualityAndLayers) {
    ASSERT_TRUE(start("Applet=1\r\n"));
    selectApplet(5);
    EXPECT_EQ(kindControlsEnabled(), (std::vector<bool>{false, false, false, false, false, false}));
    for (int id : steadyControls) EXPECT_TRUE(isEnabled(main(), id)) << id;
}

TEST_F(MainWindows, PaintBbsEnablesAllButQualityAndLayers) {
    ASSERT_TRUE(start("Applet=5\r\n"));
    EXPECT_FALSE(isEnabled(main(), IDC_MAIN_ANIMATION));  // the stored poo applet at start
    selectApplet(0);
    EXPECT_EQ(kindControlsEnabled(), (std::vector<bool>{true, true, true, true, false, false}));
    for (int id : steadyControls) EXPECT_TRUE(isEnabled(main(), id)) << id;
}

TEST_F(MainWindows, EveryShiPainterKindEnablesEverything) {
    ASSERT_TRUE(start("Applet=5\r\n"));
    for (int kind = 1; kind <= 4; ++kind) {
        selectApplet(5);
        selectApplet(kind);
        EXPECT_EQ(kindControlsEnabled(), (std::vector<bool>{true, true, true, true, true, true})) << kind;
    }
}

TEST_F(MainWindows, OnlyTheSelectionChangeAppliesTheKind) {
    ASSERT_TRUE(start("Applet=0\r\n"));
    SendDlgItemMessageW(main(), IDC_MAIN_APPLET, CB_SETCURSEL, 5, 0);
    command(main(), IDC_MAIN_APPLET, CBN_DROPDOWN);
    EXPECT_TRUE(isEnabled(main(), IDC_MAIN_UNDO));
    command(main(), IDC_MAIN_APPLET, CBN_SELCHANGE);
    EXPECT_FALSE(isEnabled(main(), IDC_MAIN_UNDO));
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

TEST_F(MainWindows, OverwriteItemTwiceLeavesTheFlagAndTheMarkFollows) {
    ASSERT_TRUE(start("OptionFlag=29\r\n"));
    EXPECT_EQ(settings_.OptionFlag, 29);
    EXPECT_TRUE(overwriteItemChecked());
    command(main(), IDM_OVERWRITE_QUESTION, 0);
    EXPECT_EQ(settings_.OptionFlag, 28);
    EXPECT_FALSE(overwriteItemChecked());
    command(main(), IDM_OVERWRITE_QUESTION, 0);
    EXPECT_EQ(settings_.OptionFlag, 29);
    EXPECT_TRUE(overwriteItemChecked());
}

TEST_F(MainWindows, OverwriteItemStartsClearWhenTheBitIs) {
    ASSERT_TRUE(start("OptionFlag=6\r\n"));
    EXPECT_FALSE(overwriteItemChecked());
    command(main(), IDM_OVERWRITE_QUESTION, 0);
    EXPECT_EQ(settings_.OptionFlag, 7);
    EXPECT_TRUE(overwriteItemChecked());
}

// ---- Dropped pictures -----------------------------------------------------------------

TEST_F(MainWindows, DropTakesTheFirstFileOnlyAllSelected) {
    ASSERT_TRUE(start());
    const std::string first = "C:\\絵\\first[x64y48].pch";
    drop({first, "C:\\second[x1y1].pch", "C:\\third.png"});
    EXPECT_EQ(textOf(main(), IDC_MAIN_LOAD_PATH), first);
    DWORD from = 0;
    DWORD to = 0;
    SendDlgItemMessageW(main(), IDC_MAIN_LOAD_PATH, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                        reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, static_cast<DWORD>(GetWindowTextLengthW(GetDlgItem(main(), IDC_MAIN_LOAD_PATH))));
    EXPECT_EQ(imageSize(), "64x48");
    click(main(), IDC_MAIN_LOAD_CLEAR);
    EXPECT_EQ(textOf(main(), IDC_MAIN_LOAD_PATH), "");
}

TEST_F(MainWindows, PchSizeComesFromTheNameTagWithoutOpeningTheFile) {
    ASSERT_TRUE(start("ImageWidth=300\r\nImageHeight=300\r\n"));
    ASSERT_FALSE(files_.exists("sample[x400y250].pch"));
    drop({files_.file("sample[x400y250].pch")});
    EXPECT_EQ(imageSize(), "400x250");
    place("tagged[x640y480].PCH", "not an animation record at all");
    drop({files_.file("tagged[x640y480].PCH")});
    EXPECT_EQ(imageSize(), "640x480");
    drop({"C:\\a[x1y1]\\b[x64y48].pch"});  // the last "[" counts
    EXPECT_EQ(imageSize(), "64x48");
    drop({"C:\\untagged.pch"});
    EXPECT_EQ(imageSize(), "64x48");
    drop({"C:\\half[x99].pch"});
    EXPECT_EQ(imageSize(), "64x48");
}

TEST_F(MainWindows, SpchHeaderGivesSizeAndQuality) {
    ASSERT_TRUE(start("Quality=0\r\nApplet=1\r\n"));
    EXPECT_EQ(selectedQuality(), "1 （通常）");
    std::string record = "IMAGE_WIDTH=640\r\nimage_height=360\r\nlayer_count=3\r\nquality=2\r\n\r\nimage_width=9\r\n";
    place("anim.spch", record + std::string("\x01\x02\x00\xFF", 4));
    drop({files_.file("anim.spch")});
    EXPECT_EQ(imageSize(), "640x360");
    EXPECT_EQ(selectedQuality(), "2 （2倍）");
}

TEST_F(MainWindows, SpchThatCannotBeOpenedChangesNothing) {
    ASSERT_TRUE(start("ImageWidth=123\r\nImageHeight=45\r\nQuality=3\r\n"));
    drop({files_.file("missing.spch")});
    EXPECT_EQ(imageSize(), "123x45");
    EXPECT_EQ(selectedQuality(), "4 （4倍）");
}

TEST_F(MainWindows, PicturesGiveTheSizesOfTheirHeaders) {
    ASSERT_TRUE(start());
    RasterImage picture;
    ASSERT_TRUE(gradientPicture(picture, 123, 45));
    files_.makeFolder("res");  // the fixture empties res afterwards
    ASSERT_TRUE(writePngFile(picture, files_.file("res\\picture.png").c_str()));
    drop({files_.file("res\\picture.png")});
    EXPECT_EQ(imageSize(), "123x45");
    files_.write("res\\picture.bmp", bmpHead(77, 301));
    drop({files_.file("res\\picture.bmp")});
    EXPECT_EQ(imageSize(), "77x301");
    files_.write("res\\picture.gif", gifHead(513, 2));
    drop({files_.file("res\\picture.gif")});
    EXPECT_EQ(imageSize(), "513x2");
    files_.write("res\\picture.jpg", jpegHead(1000, 700, true));
    drop({files_.file("res\\picture.jpg")});
    EXPECT_EQ(imageSize(), "1000x700");
}

TEST_F(MainWindows, PictureWhoseSizeCannotBeReadLeavesTheFields) {
    ASSERT_TRUE(start("ImageWidth=210\r\nImageHeight=120\r\n"));
    files_.makeFolder("res");
    files_.write("res\\noframe.jpg", jpegHead(1000, 700, false));
    files_.write("res\\notes.png", "just some text, no picture");
    files_.write("res\\short.gif", "GIF8");
    for (const char* name : {"res\\noframe.jpg", "res\\notes.png", "res\\short.gif", "res\\missing.bmp"}) {
        drop({files_.file(name)});
        EXPECT_EQ(imageSize(), "210x120") << name;
    }
}

// ---- Size presets --------------------------------------------------------------------

TEST_F(MainWindows, PresetMenuHoldsTheStoredSizesASeparatorAndEdit) {
    ASSERT_TRUE(start("", "[ImgPreset]\r\npreset0=320x240\r\npreset1=1000x50\r\npreset2=7x8\r\n"));
    PopupMenu menu;
    ASSERT_TRUE(menu.create());
    window_->fillPresetMenu(menu);
    HMENU m = menu.handle();
    ASSERT_EQ(GetMenuItemCount(m), 5);
    EXPECT_EQ((Texts{menuText(m, 0), menuText(m, 1), menuText(m, 2)}), (Texts{"320x240", "1000x50", "7x8"}));
    EXPECT_EQ(GetMenuItemID(m, 0), 40101u);
    EXPECT_EQ(GetMenuItemID(m, 1), 40102u);
    EXPECT_EQ(GetMenuItemID(m, 2), 40103u);
    EXPECT_TRUE(isSeparator(m, 3));
    EXPECT_FALSE(isSeparator(m, 2));
    EXPECT_EQ(menuText(m, 4), "編集");
    EXPECT_EQ(GetMenuItemID(m, 4), 40100u);
}

TEST_F(MainWindows, DefaultPresetMenuAndAnEmptyTable) {
    ASSERT_TRUE(start());
    {
        PopupMenu menu;
        ASSERT_TRUE(menu.create());
        window_->fillPresetMenu(menu);
        ASSERT_EQ(GetMenuItemCount(menu.handle()), 11);
        EXPECT_EQ(menuText(menu.handle(), 0), "100x100");
        EXPECT_EQ(menuText(menu.handle(), 2), "200x200");
        EXPECT_EQ(menuText(menu.handle(), 8), "500x500");
        EXPECT_EQ(GetMenuItemID(menu.handle(), 8), 40109u);
        EXPECT_TRUE(isSeparator(menu.handle(), 9));
    }
    settings_.presets.clear();
    PopupMenu menu;
    ASSERT_TRUE(menu.create());
    window_->fillPresetMenu(menu);
    ASSERT_EQ(GetMenuItemCount(menu.handle()), 2);
    EXPECT_TRUE(isSeparator(menu.handle(), 0));
    EXPECT_EQ(menuText(menu.handle(), 1), "編集");
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
    ASSERT_TRUE(start("AppletWidth=-1\r\nAppletHeight=-1\r\n",
                      "[ImgPreset]\r\npreset0=320x240\r\npreset1=1000x50\r\npreset2=65534x7\r\n"));
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_FIRST + 1, 0);
    EXPECT_EQ(imageSize(), "1000x50");
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_FIRST + 2, 0);
    EXPECT_EQ(imageSize(), "65534x7");
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_FIRST, 0);
    EXPECT_EQ(imageSize(), "320x240");
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_WIDTH), "-1");
    EXPECT_EQ(textOf(main(), IDC_MAIN_APPLET_HEIGHT), "-1");
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_FIRST + 3, 0);  // an empty slot
    SendMessageW(main(), WM_COMMAND, IDM_PRESET_LAST, 0);
    EXPECT_EQ(imageSize(), "320x240");
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
    ASSERT_TRUE(files_.exists("draw.html"));
    std::string page = files_.read("draw.html");
    EXPECT_NE(page.find("PaintBBS.jar"), std::string::npos);
    std::string reply = fetch(port_, "/draw.html");
    EXPECT_EQ(reply.compare(0, 15, "HTTP/1.1 200 OK"), 0) << reply.substr(0, 80);
    EXPECT_EQ(bodyOf(reply), page);
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

TEST_F(MainWindows, DrawAfterAFallbackToPort8010CarriesThePort) {
    BoundSocket stored(INADDR_ANY, freePort(), true);
    BoundSocket eighty(INADDR_ANY, 80, true);
    if (eighty.port() != 80 || !portIsFree(8010)) GTEST_SKIP() << "port 80 or 8010 is in use on this machine";
    place("PaintBBS.jar", "jar");
    ASSERT_TRUE(startOn(stored.port(), "Applet=0\r\nPalette=0\r\n"));
    files_.useStandInBrowser();
    EXPECT_EQ(settings_.Port, 8010);
    click(main(), IDC_MAIN_DRAW);
    EXPECT_EQ(files_.standInAddress(), "http://localhost:8010/draw.html");
}

TEST_F(MainWindows, DrawWithoutAnAppletWarnsAndWritesNothing) {
    place("PaintBBS.jar", "jar");
    ASSERT_TRUE(start("Applet=9\r\nPalette=0\r\n"));
    files_.useStandInBrowser();
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_APPLET), -1);
    BoxWatcher boxes;
    click(main(), IDC_MAIN_DRAW);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "アプレットを選択してください");
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_TRUE(boxes.seen()[0].topmost);
    EXPECT_FALSE(files_.exists("draw.html"));
    pump(200);
    EXPECT_FALSE(files_.exists("stand_in_address.txt"));
}

TEST_F(MainWindows, DrawWithoutTheAppletArchiveNamesIt) {
    ASSERT_TRUE(start("Applet=0\r\nPalette=0\r\n"));
    BoxWatcher boxes;
    click(main(), IDC_MAIN_DRAW);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "PaintBBS.jarが見つかりません");
    EXPECT_FALSE(files_.exists("draw.html"));
}

TEST_F(MainWindows, BrowserThatCannotStartIsReportedAndThePageStays) {
    place("PaintBBS.jar", "jar");
    ASSERT_TRUE(start("Applet=0\r\nPalette=0\r\n", "[Browser]\r\nFlag=1\r\nPath=C:\\no such browser.exe\r\n"));
    BoxWatcher boxes;
    click(main(), IDC_MAIN_DRAW);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "ブラウザ起動エラー");
    EXPECT_EQ(boxes.seen()[0].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_TRUE(files_.exists("draw.html"));
}

// ---- Animation playback ------------------------------------------------------------------

TEST_F(MainWindows, PlaybackDialogKeepsItsProgressChoiceInBitOne) {
    ASSERT_TRUE(start("OptionFlag=23\r\n"));
    bool shownChecked = false;
    {
        DialogWatcher playback(main(), [&](HWND dialog) {
            shownChecked = isChecked(dialog, IDC_PLAYBACK_PROGRESS);
            click(dialog, IDC_PLAYBACK_PROGRESS);
            SendMessageW(dialog, WM_CLOSE, 0, 0);
        });
        command(main(), IDM_PLAYBACK, 0);
        EXPECT_TRUE(playback.ran());
    }
    EXPECT_TRUE(shownChecked);
    EXPECT_EQ(settings_.OptionFlag, 21);
    {
        DialogWatcher playback(main(), [&](HWND dialog) {
            shownChecked = isChecked(dialog, IDC_PLAYBACK_PROGRESS);
            click(dialog, IDC_PLAYBACK_PROGRESS);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        command(main(), IDM_PLAYBACK, 0);
        EXPECT_TRUE(playback.ran());
    }
    EXPECT_FALSE(shownChecked);
    EXPECT_EQ(settings_.OptionFlag, 23);
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

TEST_F(MainWindows, CommandLineIgnoresWhatItDoesNotKnow) {
    ASSERT_TRUE(start("Applet=3\r\nPalette=2\r\nImageWidth=300\r\nImageHeight=200\r\n"));
    window_->applyCommandLine("-a9 -p7 -x5 foo -w100 -");
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_APPLET), 3);
    EXPECT_EQ(comboSelection(main(), IDC_MAIN_PALETTE), 2);
    EXPECT_EQ(imageSize(), "100x200");
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
    window_->shutDown();
    for (const char* name : temporaryFiles) EXPECT_FALSE(files_.exists(name)) << name;
    for (const char* name : keptFiles) EXPECT_EQ(files_.read(name), "kept") << name;
    EXPECT_TRUE(portIsFree(port_));
}

TEST_F(MainWindows, ExitWritesTheSettingsStopsAndQuits) {
    ASSERT_TRUE(start("Applet=1\r\nOptionFlag=29\r\n"));
    for (const char* name : temporaryFiles) files_.write(name, "temporary");
    typeText(main(), IDC_MAIN_IMAGE_WIDTH, "777");
    selectApplet(4);
    command(main(), IDM_OVERWRITE_QUESTION, 0);
    command(main(), IDM_EXIT, 0);
    EXPECT_EQ(main(), nullptr);
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
    EXPECT_EQ(files_.setting("Setting", "ImageWidth"), "777");
    EXPECT_EQ(files_.setting("Setting", "Applet"), "4");
    EXPECT_EQ(files_.setting("Setting", "OptionFlag"), "28");
    EXPECT_EQ(files_.setting("Setting", "Port"), std::to_string(port_));
    for (const char* name : temporaryFiles) EXPECT_FALSE(files_.exists(name)) << name;
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
