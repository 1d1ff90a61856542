// HTML Tidy as the oracle of a page's markup (POSIX builds only): what it
// reports beyond the two remarks every drawing page earns by design (the
// table's height attribute, and no table summary), "" when nothing.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/temp_folder.h"

inline std::string tidyComplaints(const TempFolder& folder, const std::string& page) {
    std::string command = "tidy -q -e -shiftjis '" + folder.file(page) + "' 2>'" + folder.file("tidy.txt") + "'";
    int status = std::system(command.c_str());
    if (status != 0 && status != 256) return "tidy status " + std::to_string(status) + ": " + folder.read("tidy.txt");
    std::istringstream report(folder.read("tidy.txt"));
    std::string line, rest;
    while (std::getline(report, line)) {
        if (line.find("<table> proprietary attribute \"height\"") != std::string::npos) continue;
        if (line.find("<table> lacks \"summary\" attribute") != std::string::npos) continue;
        rest += line + "\n";
    }
    return rest;
}
