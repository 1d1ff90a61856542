// The program: serves the program folder on the port of set.ini and saves
// what is posted, until it is stopped (natively by SIGINT or SIGTERM).
#include <cstdint>

#include "app/program/save_handler.h"
#include "app/program_folder.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "pages/drawing_setup.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "server/local_server.h"

namespace {

constexpr uint16_t defaultPort = 80;

// Port of section Setting in folder's set.ini; 80 when absent or out of range.
uint16_t configuredPort(const char* folder) {
    TextBuffer path(folder);
    path.append("\\set.ini");
    int32_t port = platform::profileInt("Setting", "Port", defaultPort, path.text());
    return port > 0 && port <= 0xFFFF ? static_cast<uint16_t>(port) : defaultPort;
}

}  // namespace

int main() {
    char folder[512];
    if (!enterProgramFolder() || !platform::currentFolder(folder, sizeof folder)) return 1;
    static Settings settings;
    static DrawingSetup setup;
    loadSettings(settings, setup);
    static LocalServer server;
    server.setSubmissionHandler(saveHandler(settings), enterProgramFolder);
    platform::SocketEventLoop loop(server);
    if (!loop.isReady()) return 1;
    uint16_t port = configuredPort(folder);
    if (!server.startServer(loop.window(), port)) return 1;
    int code = loop.run();
    server.stopServer();
    return code;
}
