// The command line and the browser launch. The program's start with its
// command line and the browser it sends are the end-to-end tests' part.
#include <gtest/gtest.h>

#include <string>

#include "app/browser_launch.h"
#include "app/command_line.h"
#include "app/drawing_setup.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/pages/stand_in_browser.h"
#ifndef _WIN32
#include "platform/posix/scripted_answers.h"
#endif

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

#ifndef _WIN32
// The failure box would wait for a click on Windows; natively it is recorded.
TEST(BrowserLaunch, AnEmptyPathShowsTheStartErrorAndTheSectionIsReadAfresh) {
    TempFolder folder;
    platform::posix::takeShownBoxes();
    std::string ini = browserSettings(folder, "1", "");
    EXPECT_FALSE(launchBrowser(nullptr, "file:///a", ini.c_str()));
    auto boxes = platform::posix::takeShownBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "ブラウザ起動エラー");
    EXPECT_EQ(boxes[0].style, platform::boxIconWarning | platform::boxSystemModal);
    browserSettings(folder, "1", standInBrowser());
    EXPECT_TRUE(launchBrowser(nullptr, "file:///b", ini.c_str()));
    EXPECT_EQ(addressReceived(folder), "file:///b");
}
#endif
