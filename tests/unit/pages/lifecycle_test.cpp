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

namespace {

// The set-up a command line leaves, starting from the defaults.
struct Parsed {
    explicit Parsed(const char* text) : draw(applyCommandLine(text, setup).drawRequested) {}
    DrawingSetup setup;
    bool draw;
};

}  // namespace

TEST(CommandLine, AppletSizeAndDrawTogether) {
    Parsed p("-a2 -w640 -h480 -r");
    EXPECT_EQ(p.setup.kind, 2);
    EXPECT_EQ(p.setup.imageWidth, 640u);
    EXPECT_EQ(p.setup.imageHeight, 480u);
    EXPECT_TRUE(p.draw);
}

TEST(CommandLine, NumbersPastTheirListsAndUnknownLettersAreIgnored) {
    Parsed p("-a9 -p7 -x5");
    DrawingSetup defaults;
    EXPECT_EQ(p.setup.kind, defaults.kind);
    EXPECT_EQ(p.setup.palette, defaults.palette);
    EXPECT_EQ(p.setup.imageWidth, defaults.imageWidth);
    EXPECT_FALSE(p.draw);
    EXPECT_EQ(Parsed("-a5 -p0").setup.kind, 5);
    EXPECT_EQ(Parsed("-a5 -p0").setup.palette, 0);
    EXPECT_EQ(Parsed("-p3").setup.palette, 3);
    EXPECT_EQ(Parsed("-a6").setup.kind, defaults.kind);
    EXPECT_EQ(Parsed("-p4").setup.palette, defaults.palette);
    EXPECT_EQ(Parsed("-A1 -W5").setup.kind, defaults.kind);
}

TEST(CommandLine, TokensWithoutADashAreSkipped) {
    EXPECT_EQ(Parsed("foo -w100").setup.imageWidth, 100u);
    EXPECT_EQ(Parsed("x-w5").setup.imageWidth, 300u);
    EXPECT_EQ(Parsed("\t  -h7   ").setup.imageHeight, 7u);
}

TEST(CommandLine, LaterOptionsOverrideEarlierOnes) {
    Parsed p("-a3 -w10 -a1 -w20");
    EXPECT_EQ(p.setup.kind, 1);
    EXPECT_EQ(p.setup.imageWidth, 20u);
}

TEST(CommandLine, TheNumberFollowsTheLetterAndTheRestOfTheTokenIsSkipped) {
    EXPECT_EQ(Parsed("-w").setup.imageWidth, 0u);          // a missing number reads 0
    EXPECT_EQ(Parsed("-w50abc").setup.imageWidth, 50u);
    Parsed apart("-w 100");
    EXPECT_EQ(apart.setup.imageWidth, 0u);                  // 100 is a token of its own
    Parsed glued("-w100-h200");
    EXPECT_EQ(glued.setup.imageWidth, 100u);
    EXPECT_EQ(glued.setup.imageHeight, 300u);
    EXPECT_TRUE(Parsed("-rest").draw);
    EXPECT_EQ(Parsed("-a-1").setup.kind, -1);                // selects nothing
}

TEST(CommandLine, ALoneDashAtTheEndEndsTheText) {
    Parsed p("-w10 -");
    EXPECT_EQ(p.setup.imageWidth, 10u);
    EXPECT_FALSE(p.draw);
    EXPECT_EQ(Parsed("- -w7").setup.imageWidth, 7u);
    EXPECT_EQ(Parsed("").setup.imageWidth, 300u);
}

TEST(BrowserLaunch, TheProgramOfSectionBrowserGetsTheAddress) {
    TempFolder folder;
    std::string ini = browserSettings(folder, "1", standInBrowser());
    EXPECT_TRUE(launchBrowser(nullptr, "http://localhost:8010/draw.html", ini.c_str()));
    EXPECT_EQ(addressReceived(folder), "http://localhost:8010/draw.html");
}

#ifndef _WIN32
// The failure box would wait for a click on Windows; natively it is recorded.
TEST(BrowserLaunch, AWrongOrEmptyPathShowsTheStartError) {
    TempFolder folder;
    platform::posix::takeShownBoxes();
    std::string ini = browserSettings(folder, "1", folder.file("no-such-browser"));
    EXPECT_FALSE(launchBrowser(nullptr, "http://localhost/draw.html", ini.c_str()));
    browserSettings(folder, "1", "");
    EXPECT_FALSE(launchBrowser(nullptr, "http://localhost/draw.html", ini.c_str()));
    auto boxes = platform::posix::takeShownBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text, "ブラウザ起動エラー");
        EXPECT_TRUE(box.caption.empty());
        EXPECT_EQ(box.style, platform::boxIconWarning | platform::boxSystemModal);
    }
    EXPECT_FALSE(folder.exists("browser_address.txt"));
}

TEST(BrowserLaunch, SectionBrowserIsReadAfreshEveryTime) {
    TempFolder folder;
    platform::posix::takeShownBoxes();
    std::string ini = browserSettings(folder, "1", folder.file("missing"));
    EXPECT_FALSE(launchBrowser(nullptr, "file:///a", ini.c_str()));
    browserSettings(folder, "1", standInBrowser());
    EXPECT_TRUE(launchBrowser(nullptr, "file:///b", ini.c_str()));
    EXPECT_EQ(addressReceived(folder), "file:///b");
    EXPECT_EQ(platform::posix::takeShownBoxes().size(), 1u);
}
#endif
