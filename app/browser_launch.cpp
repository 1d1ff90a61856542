#include "app/browser_launch.h"

#include "app/settings.h"
#include "app/warning.h"

namespace {

bool startBrowser(platform::WindowRef owner, const char* address, const char* settingsFile) {
    IniSection browser(settingsFile, "Browser");
    if (browser.getInt("Flag", 0) == 0) return platform::shellOpen(owner, address, nullptr);
    TextBuffer program(pathCapacity);
    browser.getText("Path", program, "");
    return !program.isEmpty() && platform::shellOpen(owner, program.text(), address);
}

}  // namespace

bool launchBrowser(platform::WindowRef owner, const char* address, const char* settingsFile) {
    if (startBrowser(owner, address, settingsFile)) return true;
    showWarning(owner, "ブラウザ起動エラー");
    return false;
}

bool launchBrowser(platform::WindowRef owner, const char* address) {
    TextBuffer path(pathCapacity);
    settingsPath(path);
    return launchBrowser(owner, address, path.text());
}
