// The options of the command line. The program's start with them is the
// end-to-end tests' part.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include "app/drawing_setup.h"

// The set-up a command line leaves, starting from the defaults (kind 0,
// palette 3, 300 x 300).
TEST(CommandLine, OptionsLettersAndNumbers) {
    struct Case {
        const char* line;
        int kind, palette;
        uint32_t width, height;
        bool draw;
    };
    const Case cases[] = {
        {"-a2 -w640 -h480 -r", 2, 3, 640, 480, true},
        {"-a5 -p0", 5, 0, 300, 300, false},
        {"-a6 -p4 -x5", 0, 3, 300, 300, false},  // numbers past their lists, unknown letters
        {"-A1 -W5", 0, 3, 300, 300, false},      // capitals are unknown letters
        {"-a-1", -1, 3, 300, 300, false},        // selects nothing
        {"foo -w100 x-w5", 0, 3, 100, 300, false},  // tokens without a dash are skipped
        {"\t  -h7   ", 0, 3, 300, 7, false},
        {"-a3 -w10 -a1 -w20", 1, 3, 20, 300, false},  // later options win
        {"-w", 0, 3, 0, 300, false},                  // a missing number reads 0
        {"-w 100", 0, 3, 0, 300, false},              // 100 is a token of its own
        {"-w100-h200", 0, 3, 100, 300, false},        // the rest of the token is skipped
        {"-rest", 0, 3, 300, 300, true},
        {"-w10 -", 0, 3, 10, 300, false},             // a lone dash at the end ends the text
        {"- -w7", 0, 3, 7, 300, false},
    };
    for (const Case& c : cases) {
        DrawingSetup setup;
        bool draw = applyCommandLine(c.line, setup).drawRequested;
        EXPECT_EQ(setup.kind, c.kind) << c.line;
        EXPECT_EQ(setup.palette, c.palette) << c.line;
        EXPECT_EQ(setup.imageWidth, c.width) << c.line;
        EXPECT_EQ(setup.imageHeight, c.height) << c.line;
        EXPECT_EQ(draw, c.draw) << c.line;
    }
}
