// Opening an address in the browser the user chose in section Browser of
// set.ini: the system's default browser (Flag 0) or the program named by
// Path (Flag non-zero), which gets the address as its parameters.
#pragma once

#include "platform/platform.h"

// Reads section Browser of the settings file at settingsFile afresh and starts
// the browser. On failure shows the warning "ブラウザ起動エラー" owned by owner
// and returns false. A Flag with an empty Path fails without asking the shell.
bool launchBrowser(platform::WindowRef owner, const char* address, const char* settingsFile);
// The same with set.ini of the program folder.
bool launchBrowser(platform::WindowRef owner, const char* address);
