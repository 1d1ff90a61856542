#include "app/warning.h"

void showWarning(platform::WindowRef owner, const char* text) {
    platform::messageBox(owner, text, nullptr, platform::boxIconWarning | platform::boxSystemModal);
}
