// What the program reads at its start. set.ini: the exact text written for
// the defaults, the reading rules and the mends; the same cases run natively
// against our own profile reader and writer and, built for Windows, against
// the system's profile services under Wine, so a file one side writes is what
// the other reads. Then the options of the command line (the program's start
// with them is the end-to-end tests' part).
#include "app/settings.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/drawing_setup.h"
#include "tests/support/temp_folder.h"

namespace {

struct Loaded {
    Settings settings;
    DrawingSetup setup;
    void load(const TempFolder& folder) { loadSettings(folder.file("set.ini").c_str(), settings, setup); }
    std::string save(const TempFolder& folder) {
        saveSettings(folder.file("set.ini").c_str(), settings, setup);
        return folder.read("set.ini");
    }
};

// Without regard to letter case: the system's profile services keep the case
// a key had in the file, ours write the case asked for.
bool hasLine(std::string file, std::string line) {
    for (std::string* text : {&file, &line})
        for (char& c : *text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ("\r\n" + file).find("\r\n" + line + "\r\n") != std::string::npos;
}

}  // namespace

TEST(SettingsDefaults, AMissingFileIsReadAsTheDefaultsAndWrittenKeyByKeyInOrder) {
    TempFolder folder;
    Loaded l;
    l.settings.OptionFlag = 0;  // load must overwrite what was there
    l.settings.presets.clear();
    l.setup.kind = 4;
    l.load(folder);
    // The reference file, its save folder (@) the program folder, which the
    // end-to-end tests check.
    std::string expected = folder.read(hostDrive + SOURCE_DIR "/tests/unit/pages/golden/default_set.ini");
    expected.replace(expected.find('@'), 1, l.settings.saveDir.text());
    EXPECT_EQ(l.save(folder), expected);
}

// A file as an editor or an older run left it, read and written again: the
// lines that must then be in it.
TEST(SettingsReading, FilesReadThenWrittenAgain) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> lines;
        std::vector<std::string> absent = {};
    };
    std::string thirtyTwo = "[ImgPreset]\r\n";
    for (int i = 0; i < 32; ++i) thirtyTwo += "preset" + std::to_string(i) + "=" + std::to_string(i + 1) + "x7\r\n";
    const Case cases[] = {
        {"formats outside their tables fall back to PNG", "[Setting]\r\nSaveType=4\r\nThumType=3\r\n",
         {"SaveType=1", "ThumType=1"}},
        {"numbers cut to 16 bits", "[Setting]\r\nSaveType=-1\r\nThumType=65538\r\n", {"SaveType=1", "ThumType=2"}},
        {"selections outside their lists select nothing", "[Setting]\r\nApplet=9\r\nQuality=4\r\nPalette=-2\r\n",
         {"Applet=-1", "Quality=-1", "Palette=-1"}},
        {"non-numbers read as 0, leading digits count",
         "[Setting]\r\nPort=abc\r\nImageWidth=12abc\r\nSaveAnim=no\r\nLayer=-3\r\n",
         {"Port=0", "ImageWidth=12", "SaveAnim=0", "Layer=-3"}},
        {"a missing preset key ends the list", "[ImgPreset]\r\npreset0=320x240\r\npreset1=640x480\r\npreset3=800x600\r\n",
         {"preset0=320x240", "preset1=640x480"}, {"preset2", "preset3"}},
        {"-1 in the first preset brings the nine defaults", "[ImgPreset]\r\npreset0=-1x300\r\npreset1=640x480\r\n",
         {"preset1=150x150", "preset8=500x500"}},
        {"height -1 ends the list", "[ImgPreset]\r\npreset0=10x20\r\npreset1=30x-1\r\npreset2=5x5\r\n", {"preset0=10x20"}, {"preset1"}},
        {"no number ends the list", "[ImgPreset]\r\npreset0=10x20\r\npreset1=wide\r\npreset2=5x5\r\n", {"preset0=10x20"}, {"preset1"}},
        {"at most thirty presets", thirtyTwo, {"preset29=30x7"}, {"preset30"}},
        {"the preset section is written anew", "[ImgPreset]\r\npreset0=1x1\r\nstray=1\r\n", {"preset0=1x1"},
         {"stray", "preset1"}},
        {"a hand-edited file",
         "; made by hand\r\n[Browser]\r\nFlag=1\r\n[ImgPreset]\r\npreset0 = 64x 48\r\nPRESET1=128x96\r\n[setting]\r\n"
         "SaveDir = D:\\\x83\x5c\x83\x74\x83\x67\r\nsavefile=\"my pic\"\r\nOptionFlag=  32791\r\nSaveType=2\r\nJPEGSave=80\r\n"
         "ThumType=0\r\nThumComp=65535\r\nThumWPers=25\r\nThumHPers=75\r\nColorTP=-2147483648\r\nOpenToNetwork=1\r\n"
         "Port=65535\r\nApplet=2\r\nAppletWidth=-1\r\nAppletHeight=+40\r\nImageWidth=800\r\nImageHeight=600\r\n"
         "SaveAnim=2\r\nQuality=1\r\nLayer=4\r\nUndo=10\r\nUndo2=3\r\nPalette=1\r\nBuiltInPainter=7\r\n",
         {"SaveDir=D:\\\x83\x5c\x83\x74\x83\x67", "SaveFile=my pic", "OptionFlag=32791", "SaveType=2", "JPEGSave=80",
          "ThumType=0", "ThumComp=65535", "ThumWPers=25", "ThumHPers=75", "ColorTP=-2147483648", "OpenToNetwork=1",
          "Port=65535", "Applet=2", "AppletWidth=-1", "AppletHeight=40", "ImageWidth=800", "ImageHeight=600",
          "SaveAnim=1", "Quality=1", "Layer=4", "Undo=10", "Undo2=3", "Palette=1", "BuiltInPainter=1", "preset0=64x48",
          "preset1=128x96"}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        folder.write("set.ini", c.file);
        Loaded l;
        l.load(folder);
        std::string written = l.save(folder);
        for (const std::string& line : c.lines) EXPECT_TRUE(hasLine(written, line)) << c.what << ": " << line;
        for (const std::string& key : c.absent) EXPECT_EQ(written.find(key), std::string::npos) << c.what << ": " << key;
    }
}

// The set-up a command line leaves, starting from the defaults (kind 0,
// palette 3, 300 x 300): kind, palette, size, whether to draw, whether the
// built-in painter is asked for, whether to play and to open the gallery.
TEST(CommandLine, OptionsLettersAndNumbers) {
    const std::pair<const char*, const char*> cases[] = {
        {"-a5 -p0", "5 0 300x300"},
        {"-a6 -p4 -x5", "0 3 300x300"},  // numbers past their lists, unknown letters
        {"-A1 -W5", "0 3 300x300"},      // capitals are unknown letters
        {"-a-1", "-1 3 300x300"},        // selects nothing
        {"foo -w100 x-w5", "0 3 100x300"},  // tokens without a dash are skipped
        {"\t  -h7   ", "0 3 300x7"},
        {"-a3 -w10 -a1 -w20", "1 3 20x300"},  // later options win
        {"-w", "0 3 0x300"},                  // a missing number reads 0
        {"-w 100", "0 3 0x300"},              // 100 is a token of its own
        {"-w100-h200", "0 3 100x300"},        // the rest of the token is skipped
        {"-rest", "0 3 300x300 draw"},
        {"-w10 -", "0 3 10x300"},             // a lone dash at the end ends the text
        {"- -w7", "0 3 7x300"},
        {"-b1 -r -v", "0 3 300x300 draw built-in play"},
        {"-b1 -b0", "0 3 300x300"},
        {"-r --gallery -w5", "0 3 5x300 draw gallery"},
        {"--gallerys --galler", "0 3 300x300"},  // only the whole word; other double dashes are unknown letters
    };
    for (const auto& [line, expected] : cases) {
        DrawingSetup setup;
        const CommandLineResult result = applyCommandLine(line, setup);
        const bool draw = result.drawRequested;
        EXPECT_EQ(std::to_string(setup.kind) + " " + std::to_string(setup.palette) + " " + std::to_string(setup.imageWidth) +
                      "x" + std::to_string(setup.imageHeight) + (draw ? " draw" : "") +
                      (setup.builtInPainter ? " built-in" : "") + (result.playRequested ? " play" : "") +
                      (result.galleryRequested ? " gallery" : ""),
                  expected)
            << line;
    }
}
