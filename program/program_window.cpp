#include "program/program_window.h"

bool startProgramWindow(ProgramSession& session, MainWindow& window) {
    if (!window.create()) return false;
    DrawingSetup setup;
    if (!session.open(setup)) return false;
    window.showStart(setup);
    session.readSetupWith([&window](DrawingSetup& now) { window.readSetup(now); });
    if (session.serve(window.handle())) return true;
    session.close(nullptr);
    return false;
}
