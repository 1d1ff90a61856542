// The program without windows: one instance at a time, serving its own
// folder (the executable's) on the port of set.ini, drawing (or opening
// the gallery) at once when the command line asks for it, and saving what
// is posted, until SIGINT or SIGTERM. Then it writes set.ini back and removes its temporary files.
#include <cstdint>
#include <cstring>

#include "app/browser_launch.h"
#include "app/command_line.h"
#include "app/drawing_setup.h"
#include "app/program_folder.h"
#include "app/settings.h"
#include "app/text_buffer.h"
#include "pages/drawing_page.h"
#include "pages/gallery.h"
#include "pages/playback.h"
#include "platform/platform.h"
#include "platform/socket.h"
#include "program/program_session.h"
#include "save/native_asker.h"

namespace {

constexpr int commandLineCapacity = 1023;

// The arguments after the program's name, joined by blanks; one that holds
// a blank is quoted.
void joinArguments(int argc, char** argv, TextBuffer& out) {
    for (int i = 1; i < argc; ++i) {
        if (i > 1) out.append(" ");
        bool quote = std::strpbrk(argv[i], " \t") != nullptr;
        if (quote) out.append("\"");
        out.append(argv[i]);
        if (quote) out.append("\"");
    }
}

// A picture named relative to the folder the program was started in is
// found there, although the program serves from its own folder.
void resolvePicture(const char* startFolder, TextBuffer& path) {
    if (path.text()[0] == '/' || path.text()[0] == '\\' || !*startFolder) return;
    TextBuffer whole(startFolder);
    whole.append("/");
    whole.append(path.text());
    path.assign(whole.text());
}

// The drawing page of setup in the program folder, and the browser sent
// to it; a failure has shown its own warning and the program serves on.
void startDrawingNow(const DrawingSetup& setup, uint16_t port) {
    TextBuffer folder(pathCapacity);
    if (!programFolder(folder)) return;
    startDrawing(setup, folder.text(), port, nullptr);
}

// The gallery of saved drawings in the browser; a failure has shown its own
// warning and the program serves on.
void openGalleryNow(uint16_t port) {
    TextBuffer address;
    galleryPageAddress(port, address);
    launchBrowser(nullptr, address.text());
}

// The playback page of the animation to continue, and the browser sent to
// it; a failure has shown its own warning and the program serves on.
void playNow(const DrawingSetup& setup, const Settings& settings) {
    TextBuffer folder(pathCapacity);
    if (!programFolder(folder)) return;
    bool progress = (settings.OptionFlag & optionPlaybackProgress) != 0;
    playAnimation(playbackRequestOf(setup.continuePath.text(), progress, settings.Port), folder.text(), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (!ProgramSession::acquireLock()) return 0;
    char startFolder[pathCapacity + 1] = "";
    platform::currentFolder(startFolder, sizeof startFolder);
    static Settings settings;
    static NativeAsker asker(settings);
    static ProgramSession session(settings, &asker);
    static DrawingSetup setup;
    if (!session.open(setup)) return 1;
    session.readSetupWith([](DrawingSetup& now) { now = setup; });
    platform::SocketEventLoop loop(session.server());
    if (!loop.isReady()) return 1;
    // The server's message box was the report; set.ini stays as it was.
    if (!session.serve(loop.window())) {
        session.close(nullptr);
        return 1;
    }
    TextBuffer arguments(commandLineCapacity);
    joinArguments(argc, argv, arguments);
    CommandLineResult given = applyCommandLine(arguments.text(), setup);
    if (given.pictureGiven) {
        resolvePicture(startFolder, setup.continuePath);
        followPictureToContinue(setup);
    }
    if (given.playRequested && given.pictureGiven)
        playNow(setup, settings);
    else if (given.galleryRequested)
        openGalleryNow(settings.Port);
    else if (given.drawRequested)
        startDrawingNow(setup, settings.Port);
    int code = loop.run();
    session.close(&setup);
    return code;
}
