// The program: serves the current folder, as the program folder, on the port
// of set.ini and saves what is posted, until it is stopped by SIGINT or
// SIGTERM.
#include <cstdint>

#include "app/program/save_handler.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "pages/drawing_setup.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "server/local_server.h"

namespace {

constexpr uint16_t defaultPort = 80;

// The folder served, made current again after every save.
char servedFolder[512];

bool enterServedFolder() { return platform::setCurrentFolder(servedFolder); }

// Port of section Setting in folder's set.ini; 80 when absent or out of range.
uint16_t configuredPort(const char* folder) {
    TextBuffer path(folder);
    path.append("\\set.ini");
    int32_t port = platform::profileInt("Setting", "Port", defaultPort, path.text());
    return port > 0 && port <= 0xFFFF ? static_cast<uint16_t>(port) : defaultPort;
}

}  // namespace

int main() {
    if (!platform::currentFolder(servedFolder, sizeof servedFolder)) return 1;
    TextBuffer settingsFile(servedFolder);
    settingsFile.append("\\set.ini");
    static Settings settings;
    static DrawingSetup setup;
    loadSettings(settingsFile.text(), settings, setup);
    static LocalServer server;
    server.setSubmissionHandler(saveHandler(settings), enterServedFolder);
    platform::SocketEventLoop loop(server);
    if (!loop.isReady()) return 1;
    uint16_t port = configuredPort(servedFolder);
    if (!server.startServer(loop.window(), port)) return 1;
    int code = loop.run();
    server.stopServer();
    return code;
}
