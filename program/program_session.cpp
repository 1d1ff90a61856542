#include "program/program_session.h"

#include "app/program_folder.h"
#include "pages/builtin_painter.h"
#include "platform/text_ids.h"

namespace {

constexpr char instanceName[] = "*Sketchhaven*";

}  // namespace

ProgramSession::ProgramSession(Settings& settings, SaveAsker* asker) : settings_(settings), gallery_(settings) {
    if (asker) handler_.emplace(settings, *asker);
}

bool ProgramSession::acquireLock() { return platform::acquireInstanceLock(instanceName); }

bool ProgramSession::open(DrawingSetup& setup) {
    if (!enterProgramFolder()) return false;
    loadSettings(settings_, setup);
    return true;
}

bool ProgramSession::serve(platform::WindowRef window) {
    server_.setSubmissionHandler(handler_ ? &*handler_ : nullptr, enterProgramFolder);
    server_.setGetHandler(&gallery_);
    serveBuiltInPainter();
    return server_.startServer(window, settings_.Port, settings_.OpenToNetwork);
}

void ProgramSession::serveBuiltInPainter() {
    const char* script = nullptr;
    size_t size = 0;
    if (!platform::textResource(IDR_PAINTER_SCRIPT, script, size)) return;
    if (size > 0 && script[size - 1] == '\0') --size;  // the native tables end each text with one
    server_.addMemoryFile({builtInPainterPath, "text/javascript; charset=UTF-8", script, static_cast<uint32_t>(size)});
}

void ProgramSession::close(const DrawingSetup* setup) {
    if (setup) saveSettings(settings_, *setup);
    server_.stopServer();
    deleteTemporaryFiles();
}
