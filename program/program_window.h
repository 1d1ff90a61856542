// The Windows program's start: the main window over the program session.
#pragma once

#include "program/program_session.h"
#include "ui/main_window.h"

// Creates the main window hidden, opens the session, fills the window from
// set.ini, lets the gallery read the set-up from the window and starts the
// server with its events sent to the window. False
// when the window cannot be created or the server cannot start (after its
// message; the temporary files are then deleted and set.ini stays as it
// was); the window is not to be shown then. After the message loop,
// session.close(window.setupAtExit()) ends the run.
bool startProgramWindow(ProgramSession& session, MainWindow& window);
