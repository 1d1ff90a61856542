// The reference pages in golden/: one whole page per applet kind and per
// kind of playback page, compared byte for byte with what the writer makes.
// After a deliberate change of a page, rebuild them with
//   SKETCHHAVEN_REBUILD_GOLDEN=1 build/native/tests/unit/pages/page_tests
// and read the diff (and `tidy -q -e -shiftjis` on the changed pages) before
// committing it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/temp_folder.h"

// Compares page (a file of folder) with the reference page of that name.
inline void expectGolden(const TempFolder& folder, const std::string& page, const std::string& name) {
#ifdef _WIN32
    const std::string path = "Z:" SOURCE_DIR "/tests/unit/pages/golden/" + name;
#else
    const std::string path = SOURCE_DIR "/tests/unit/pages/golden/" + name;
#endif
    std::string written = folder.read(page);
    if (std::getenv("SKETCHHAVEN_REBUILD_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << written;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << path;
    EXPECT_EQ(written, std::string(std::istreambuf_iterator<char>(in), {})) << name;
}
