// The stand-in browser beside the test programs: it writes the address it
// was started with to browser_address.txt in its current folder.
#pragma once

#include <string>

#include "platform/platform.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/pages/program_folder_oracle.h"

inline std::string standInBrowser() {
#ifdef _WIN32
    return testProgramFolder() + "\\browser_stand_in.exe";
#else
    return testProgramFolder() + "/browser_stand_in";
#endif
}

// A set.ini in folder naming path as the browser (Flag as given); its path.
inline std::string browserSettings(const TempFolder& folder, const std::string& flag, const std::string& path) {
    folder.write("set.ini", "[Browser]\r\nFlag=" + flag + "\r\nPath=" + path + "\r\n");
    return folder.file("set.ini");
}

// What the stand-in wrote in folder, waiting for it a few seconds at most.
inline std::string addressReceived(const TempFolder& folder) {
    for (int i = 0; i < 100 && !folder.exists("browser_address.txt"); ++i) platform::sleepMilliseconds(100);
    return folder.read("browser_address.txt");
}
