// The reference pages in golden/: one whole page per applet kind and per
// kind of playback page, compared byte for byte with what the writer makes.
// They were made by the writer once its pages had been checked line by line
// and by HTML Tidy. After a deliberate change of a page, rebuild them with
//   SKETCHHAVEN_REBUILD_GOLDEN=1 build/native/tests/unit/pages/page_tests
// and read the diff before committing it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/unit/pages/tidy.h"

inline std::string goldenPath(const std::string& name) {
#ifdef _WIN32
    return "Z:" SOURCE_DIR "/tests/unit/pages/golden/" + name;
#else
    return SOURCE_DIR "/tests/unit/pages/golden/" + name;
#endif
}

// Compares page (a file of folder) with the reference of that name; natively
// HTML Tidy must also find nothing in it beyond the table height.
inline void expectGolden(const TempFolder& folder, const std::string& page, const std::string& name) {
    std::string written = folder.read(page);
    if (std::getenv("SKETCHHAVEN_REBUILD_GOLDEN")) {
        std::ofstream(goldenPath(name), std::ios::binary) << written;
        return;
    }
    std::ifstream in(goldenPath(name), std::ios::binary);
    ASSERT_TRUE(in) << goldenPath(name);
    EXPECT_EQ(written, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())) << name;
#ifndef _WIN32
    EXPECT_EQ(tidyComplaints(folder, page), "") << name;
#endif
}
