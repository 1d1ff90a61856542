#include "program/program_session.h"

#include "app/program_folder.h"

namespace {

constexpr char instanceName[] = "*Sketchhaven*";

}  // namespace

ProgramSession::ProgramSession(Settings& settings, SaveAsker* asker) : settings_(settings) {
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
    return server_.startServer(window, settings_.Port, settings_.OpenToNetwork);
}

void ProgramSession::close(const DrawingSetup* setup) {
    if (setup) saveSettings(settings_, *setup);
    server_.stopServer();
    deleteTemporaryFiles();
}
