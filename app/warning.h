// The warning box of the program: system-modal, the warning icon, the
// system's own caption, owned by the given window (none natively).
#pragma once

#include "platform/platform.h"

void showWarning(platform::WindowRef owner, const char* text);
