// The program folder, the command line and the browser launch.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/browser_launch.h"
#include "app/command_line.h"
#include "app/program_folder.h"
#include "app/drawing_setup.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/pages/program_folder_oracle.h"
#include "tests/unit/pages/stand_in_browser.h"
#ifndef _WIN32
#include "platform/posix/scripted_answers.h"
#endif

TEST(ProgramFolder, IsTheProgramPathWithoutItsNameOrSeparator) {
    TextBuffer folder;
    ASSERT_TRUE(programFolder(folder));
    EXPECT_EQ(std::string(folder.text()), testProgramFolder());
    EXPECT_GT(folder.capacity(), 63);  // grown to hold a long path
}

TEST(ProgramFolder, EnteringItMakesItTheCurrentFolder) {
    TempFolder folder;
    ASSERT_TRUE(enterProgramFolder());
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), testProgramFolder()));
}

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
        {"-a9 -p7 -x5", 0, 3, 300, 300, false},  // numbers past their lists, unknown letters
        {"-a5 -p0", 5, 0, 300, 300, false},
        {"-a6 -p4", 0, 3, 300, 300, false},
        {"-A1 -W5", 0, 3, 300, 300, false},      // capitals are unknown letters
        {"-a-1", -1, 3, 300, 300, false},        // selects nothing
        {"foo -w100 x-w5", 0, 3, 100, 300, false},  // tokens without a dash are skipped
        {"\t  -h7   ", 0, 3, 300, 7, false},
        {"-a3 -w10 -a1 -w20", 1, 3, 20, 300, false},  // later options win
        {"-w", 0, 3, 0, 300, false},                  // a missing number reads 0
        {"-w50abc", 0, 3, 50, 300, false},
        {"-w 100", 0, 3, 0, 300, false},              // 100 is a token of its own
        {"-w100-h200", 0, 3, 100, 300, false},        // the rest of the token is skipped
        {"-rest", 0, 3, 300, 300, true},
        {"-w10 -", 0, 3, 10, 300, false},             // a lone dash at the end ends the text
        {"- -w7", 0, 3, 7, 300, false},
        {"", 0, 3, 300, 300, false},
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

TEST(BrowserLaunch, TheProgramOfSectionBrowserGetsTheAddress) {
    TempFolder folder;
    std::string ini = browserSettings(folder, "1", standInBrowser());
    EXPECT_TRUE(launchBrowser(nullptr, "http://localhost:8010/draw.html", ini.c_str()));
    EXPECT_EQ(addressReceived(folder), "http://localhost:8010/draw.html");
}

#ifndef _WIN32
// The failure box would wait for a click on Windows; natively it is recorded.
TEST(BrowserLaunch, AWrongOrEmptyPathShowsTheStartErrorAndTheSectionIsReadAfresh) {
    TempFolder folder;
    platform::posix::takeShownBoxes();
    std::string ini = browserSettings(folder, "1", folder.file("no-such-browser"));
    EXPECT_FALSE(launchBrowser(nullptr, "file:///a", ini.c_str()));
    browserSettings(folder, "1", "");
    EXPECT_FALSE(launchBrowser(nullptr, "file:///a", ini.c_str()));
    auto boxes = platform::posix::takeShownBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "ブラウザ起動エラー");
        EXPECT_TRUE(box.caption.empty());
        EXPECT_EQ(box.style, platform::boxIconWarning | platform::boxSystemModal);
    }
    EXPECT_FALSE(folder.exists("browser_address.txt"));
    browserSettings(folder, "1", standInBrowser());
    EXPECT_TRUE(launchBrowser(nullptr, "file:///b", ini.c_str()));
    EXPECT_EQ(addressReceived(folder), "file:///b");
}
#endif
