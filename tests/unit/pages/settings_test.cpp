// set.ini: defaults, the exact text written, the reading rules and the mends.
// The same cases run natively against our own profile reader and writer and,
// built for Windows, against the system's profile services under Wine, so a
// file one side writes is what the other reads.
#include "app/settings.h"

#include <gtest/gtest.h>

#include <string>

#include "app/drawing_setup.h"
#include "tests/support/temp_folder.h"
#include "tests/unit/pages/program_folder_oracle.h"

namespace {

struct Loaded {
    Settings settings;
    DrawingSetup setup;
};

void load(const TempFolder& folder, Loaded& out) { loadSettings(folder.file("set.ini").c_str(), out.settings, out.setup); }

std::string presetsText(const PresetTable& table) {
    std::string text;
    for (int i = 0; i < table.count(); ++i)
        text += std::to_string(table.slots[i].width) + "x" + std::to_string(table.slots[i].height) + " ";
    return text;
}

const char* const ninePresets = "100x100 150x150 200x200 250x250 300x300 350x350 400x400 450x450 500x500 ";

// The file saveSettings writes for the values of a missing set.ini, spelt
// out key by key; saveDir is what SaveDir holds.
std::string defaultFileText(const std::string& saveDir) {
    std::string text = "[Setting]\r\nSaveDir=" + saveDir + "\r\n";
    const char* lines[] = {
        "SaveFile=000", "OptionFlag=23", "SaveType=1", "JPEGSave=32853", "ThumType=1", "ThumComp=32853",
        "ThumWPers=50", "ThumHPers=50", "ColorTP=16777215", "Port=80", "OpenToNetwork=0", "Applet=0",
        "AppletWidth=0", "AppletHeight=0", "ImageWidth=300", "ImageHeight=300", "SaveAnim=1", "Quality=0", "Layer=2",
        "Undo=90", "Undo2=15", "Palette=3",
    };
    for (const char* line : lines) text += std::string(line) + "\r\n";
    text += "[ImgPreset]\r\n";
    for (int i = 0; i < 9; ++i)
        text += "preset" + std::to_string(i) + "=" + std::to_string(100 + 50 * i) + "x" + std::to_string(100 + 50 * i) + "\r\n";
    return text;
}

bool hasLine(const std::string& file, const std::string& line) {
    return file.find("\r\n" + line + "\r\n") != std::string::npos;
}

}  // namespace

TEST(SettingsDefaults, MissingFileGivesEveryDefault) {
    TempFolder folder;
    Loaded l;
    l.settings.OptionFlag = 0;  // load must overwrite what was there
    l.setup.kind = 4;
    load(folder, l);
    EXPECT_EQ(l.setup.kind, 0);
    EXPECT_EQ(l.setup.appletWidth, 0);
    EXPECT_EQ(l.setup.appletHeight, 0);
    EXPECT_EQ(l.setup.imageWidth, 300u);
    EXPECT_EQ(l.setup.imageHeight, 300u);
    EXPECT_TRUE(l.setup.animation);
    EXPECT_EQ(l.setup.quality, 0);
    EXPECT_EQ(l.setup.layers, 2u);
    EXPECT_EQ(l.setup.undo, 90u);
    EXPECT_EQ(l.setup.undoBatch, 15u);
    EXPECT_EQ(l.setup.palette, 3);
    EXPECT_EQ(l.settings.Port, 80);
    EXPECT_FALSE(l.settings.OpenToNetwork);
    EXPECT_EQ(l.settings.SaveType, 1);
    EXPECT_EQ(l.settings.ThumType, 1);
    EXPECT_EQ(l.settings.ThumWPers, 50);
    EXPECT_EQ(l.settings.ThumHPers, 50);
    EXPECT_EQ(l.settings.JPEGSave & 0xFF, 85);
    EXPECT_TRUE(l.settings.JPEGSave & 0x8000);
    EXPECT_EQ(l.settings.ThumComp, 32853);
    EXPECT_EQ(l.settings.ColorTP, 0xFFFFFF);  // white, transparency off
    EXPECT_TRUE(l.settings.OptionFlag & 0x1);  // overwrite question on
    EXPECT_EQ(l.settings.OptionFlag, 23);
    EXPECT_STREQ(l.settings.saveFile.text(), "000");
    EXPECT_EQ(std::string(l.settings.saveDir.text()), testProgramFolder());
    EXPECT_EQ(presetsText(l.settings.presets), ninePresets);
}

TEST(SettingsDefaults, FreshObjectsHoldTheDefaultsToo) {
    Settings settings;
    DrawingSetup setup;
    EXPECT_EQ(settings.OptionFlag, 23);
    EXPECT_EQ(settings.JPEGSave, 32853);
    EXPECT_EQ(presetsText(settings.presets), ninePresets);
    EXPECT_EQ(setup.palette, 3);
    EXPECT_EQ(setup.continuePath.capacity(), 511);
    EXPECT_EQ(settings.saveDir.capacity(), 511);
    EXPECT_EQ(settings.saveFile.capacity(), 255);
}

TEST(SettingsRoundTrip, DefaultsAreWrittenKeyByKeyInOrder) {
    TempFolder folder;
    Loaded l;
    load(folder, l);
    saveSettings(folder.file("set.ini").c_str(), l.settings, l.setup);
    std::string file = folder.read("set.ini");
    EXPECT_EQ(file, defaultFileText(testProgramFolder()));
    EXPECT_TRUE(hasLine(file, "JPEGSave=32853"));
    EXPECT_TRUE(hasLine(file, "ColorTP=16777215"));
    EXPECT_TRUE(hasLine(file, "OptionFlag=23"));
    EXPECT_TRUE(hasLine(file, "preset0=100x100"));
}

TEST(SettingsRoundTrip, ChangedValuesReadBackAsWritten) {
    TempFolder folder;
    Loaded first;
    first.settings.saveDir.assign("C:\\\x95\xdb\x91\xb6\x83\x5c");  // C:\保存ソ, ソ ends in 5C
    first.settings.saveFile.assign("pic");
    first.settings.SaveType = 2;
    first.settings.JPEGSave = 0x0050;
    first.settings.ThumType = 0;
    first.settings.ThumWPers = 25;
    first.settings.ThumHPers = 75;
    first.settings.Port = 8010;
    first.settings.OpenToNetwork = true;
    first.settings.presets.clear();
    first.settings.presets.slots[0] = {320, 240};
    first.settings.presets.slots[1] = {9999, 1};
    first.setup.kind = 5;
    first.setup.appletWidth = -1;
    first.setup.appletHeight = 600;
    first.setup.imageWidth = 640;
    first.setup.imageHeight = 480;
    first.setup.animation = false;
    first.setup.quality = 3;
    first.setup.layers = 7;
    first.setup.undo = 0;
    first.setup.undoBatch = 32767;
    first.setup.palette = 0;
    saveSettings(folder.file("set.ini").c_str(), first.settings, first.setup);

    Loaded second;
    load(folder, second);
    EXPECT_STREQ(second.settings.saveDir.text(), "C:\\\x95\xdb\x91\xb6\x83\x5c");
    EXPECT_STREQ(second.settings.saveFile.text(), "pic");
    EXPECT_EQ(second.settings.SaveType, 2);
    EXPECT_EQ(second.settings.JPEGSave, 0x0050);
    EXPECT_EQ(second.settings.ThumType, 0);
    EXPECT_EQ(second.settings.ThumWPers, 25);
    EXPECT_EQ(second.settings.ThumHPers, 75);
    EXPECT_EQ(second.settings.Port, 8010);
    EXPECT_TRUE(second.settings.OpenToNetwork);
    EXPECT_EQ(presetsText(second.settings.presets), "320x240 9999x1 ");
    EXPECT_EQ(second.setup.kind, 5);
    EXPECT_EQ(second.setup.appletWidth, -1);
    EXPECT_EQ(second.setup.appletHeight, 600);
    EXPECT_EQ(second.setup.imageWidth, 640u);
    EXPECT_EQ(second.setup.imageHeight, 480u);
    EXPECT_FALSE(second.setup.animation);
    EXPECT_EQ(second.setup.quality, 3);
    EXPECT_EQ(second.setup.layers, 7u);
    EXPECT_EQ(second.setup.undo, 0u);
    EXPECT_EQ(second.setup.undoBatch, 32767u);
    EXPECT_EQ(second.setup.palette, 0);
}

TEST(SettingsRoundTrip, TransparencyOnWritesANegativeColour) {
    TempFolder folder;
    Loaded l;
    load(folder, l);
    l.settings.ColorTP = static_cast<int32_t>(0x80000000u | 0x00FF8040u);
    saveSettings(folder.file("set.ini").c_str(), l.settings, l.setup);
    // 0x80FF8040 as a signed 32-bit number: 0x80FF8040 - 2^32.
    EXPECT_TRUE(hasLine(folder.read("set.ini"), "ColorTP=" + std::to_string(0x80FF8040LL - 0x100000000LL)));
    Loaded back;
    load(folder, back);
    EXPECT_EQ(static_cast<uint32_t>(back.settings.ColorTP), 0x80FF8040u);
}

TEST(SettingsRoundTrip, UnknownOptionBitsSurviveAndSixteenBitsAreWrittenWithoutSign) {
    TempFolder folder;
    folder.write("set.ini", "[Setting]\r\nOptionFlag=32791\r\n");  // 0x8017
    Loaded l;
    load(folder, l);
    EXPECT_EQ(l.settings.OptionFlag, 0x8017);
    l.settings.ThumComp = 0xFFFF;
    saveSettings(folder.file("set.ini").c_str(), l.settings, l.setup);
    std::string file = folder.read("set.ini");
    EXPECT_TRUE(hasLine(file, "OptionFlag=32791"));
    EXPECT_TRUE(hasLine(file, "ThumComp=65535"));
}

TEST(SettingsRoundTrip, EmptySaveDirBecomesTheProgramFolderAndIsWrittenSo) {
    TempFolder folder;
    folder.write("set.ini", "[Setting]\r\nSaveDir=\r\nSaveFile=x\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_EQ(std::string(l.settings.saveDir.text()), testProgramFolder());
    saveSettings(folder.file("set.ini").c_str(), l.settings, l.setup);
    EXPECT_TRUE(hasLine("\r\n" + folder.read("set.ini"), "[Setting]\r\nSaveDir=" + testProgramFolder()));
}

TEST(SettingsPresets, AMissingKeyEndsTheList) {
    TempFolder folder;
    folder.write("set.ini", "[ImgPreset]\r\npreset0=320x240\r\npreset1=640x480\r\npreset3=800x600\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_EQ(presetsText(l.settings.presets), "320x240 640x480 ");
    EXPECT_EQ(l.settings.presets.slots[2].width, 65535);
    EXPECT_EQ(l.settings.presets.slots[29].height, 65535);
}

TEST(SettingsPresets, MinusOneInTheFirstEntryBringsTheNineDefaults) {
    TempFolder folder;
    folder.write("set.ini", "[ImgPreset]\r\npreset0=-1x300\r\npreset1=640x480\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_EQ(presetsText(l.settings.presets), ninePresets);
}

TEST(SettingsPresets, HeightMinusOneOrNoNumberEndsTheList) {
    TempFolder folder;
    folder.write("set.ini", "[ImgPreset]\r\npreset0=10x20\r\npreset1=30x-1\r\npreset2=5x5\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_EQ(presetsText(l.settings.presets), "10x20 ");
    folder.write("set.ini", "[ImgPreset]\r\npreset0=10x20\r\npreset1=wide\r\npreset2=5x5\r\n");
    load(folder, l);
    EXPECT_EQ(presetsText(l.settings.presets), "10x20 ");
}

TEST(SettingsPresets, AtMostThirtyAreReadAndWritten) {
    TempFolder folder;
    std::string file = "[ImgPreset]\r\n";
    for (int i = 0; i < 32; ++i) file += "preset" + std::to_string(i) + "=" + std::to_string(i + 1) + "x7\r\n";
    folder.write("set.ini", file);
    Loaded l;
    load(folder, l);
    EXPECT_EQ(l.settings.presets.count(), 30);
    EXPECT_EQ(l.settings.presets.slots[29].width, 30);
    saveSettings(folder.file("set.ini").c_str(), l.settings, l.setup);
    std::string written = folder.read("set.ini");
    EXPECT_TRUE(hasLine(written, "preset29=30x7"));
    EXPECT_EQ(written.find("preset30="), std::string::npos);
}

TEST(SettingsPresets, SavingReplacesTheWholeSection) {
    TempFolder folder;
    folder.write("set.ini", "[ImgPreset]\r\npreset0=1x1\r\npreset1=2x2\r\npreset2=3x3\r\nstray=1\r\n");
    Loaded l;
    load(folder, l);
    l.settings.presets.slots[1] = {presetEnd, presetEnd};
    saveSettings(folder.file("set.ini").c_str(), l.settings, l.setup);
    std::string file = folder.read("set.ini");
    std::string tail = file.substr(file.find("[ImgPreset]"));
    EXPECT_EQ(tail, "[ImgPreset]\r\npreset0=1x1\r\n");
}

TEST(SettingsMends, PictureAndThumbnailFormatsOutsideTheirTablesFallBackToPng) {
    TempFolder folder;
    folder.write("set.ini", "[Setting]\r\nSaveType=4\r\nThumType=3\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_EQ(l.settings.SaveType, 1);
    EXPECT_EQ(l.settings.ThumType, 1);
    folder.write("set.ini", "[Setting]\r\nSaveType=3\r\nThumType=2\r\n");
    load(folder, l);
    EXPECT_EQ(l.settings.SaveType, 3);
    EXPECT_EQ(l.settings.ThumType, 2);
    folder.write("set.ini", "[Setting]\r\nSaveType=-1\r\nThumType=65538\r\n");  // 65535 and 2 in 16 bits
    load(folder, l);
    EXPECT_EQ(l.settings.SaveType, 1);
    EXPECT_EQ(l.settings.ThumType, 2);
}

TEST(SettingsMends, SelectionsOutsideTheirListsSelectNothingAndAreWrittenAsMinusOne) {
    TempFolder folder;
    folder.write("set.ini", "[Setting]\r\nApplet=9\r\nQuality=4\r\nPalette=-2\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_EQ(l.setup.kind, -1);
    EXPECT_EQ(l.setup.quality, -1);
    EXPECT_EQ(l.setup.palette, -1);
    saveSettings(folder.file("set.ini").c_str(), l.settings, l.setup);
    std::string file = folder.read("set.ini");
    EXPECT_TRUE(hasLine(file, "Applet=-1"));
    EXPECT_TRUE(hasLine(file, "Quality=-1"));
    EXPECT_TRUE(hasLine(file, "Palette=-1"));
}

TEST(SettingsReading, NonNumbersReadAsZeroAndLeadingDigitsCount) {
    TempFolder folder;
    folder.write("set.ini", "[Setting]\r\nPort=abc\r\nImageWidth=12abc\r\nSaveAnim=no\r\nLayer=-3\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_EQ(l.settings.Port, 0);
    EXPECT_EQ(l.setup.imageWidth, 12u);
    EXPECT_FALSE(l.setup.animation);
    EXPECT_EQ(l.setup.layers, 0xFFFFFFFDu);  // an unsigned field shows -3 so
}

// A file made by hand the way an editor leaves it: blanks around names and
// values, names in other letter case, a quoted value, a comment, Shift_JIS
// bytes, sections in another order. Both platforms must read it alike.
TEST(SettingsReading, AHandEditedFileReadsTheSameOnEveryPlatform) {
    TempFolder folder;
    folder.write("set.ini",
                 "; made by hand\r\n"
                 "[Browser]\r\nFlag=1\r\n"
                 "[ImgPreset]\r\npreset0 = 64x 48\r\nPRESET1=128x96\r\n"
                 "[setting]\r\n"
                 "SaveDir = D:\\\x83\x5c\x83\x74\x83\x67\r\n"  // D:\ソフト
                 "savefile=\"my pic\"\r\n"
                 "OptionFlag=  5\r\n"
                 "ColorTP=-2147483648\r\n"
                 "Port=65535\r\n"
                 "Applet=2\r\nAppletWidth=-1\r\nAppletHeight=+40\r\n"
                 "ImageWidth=800\r\nImageHeight=600\r\nSaveAnim=2\r\n"
                 "Quality=1\r\nLayer=4\r\nUndo=10\r\nUndo2=3\r\nPalette=1\r\n");
    Loaded l;
    load(folder, l);
    EXPECT_STREQ(l.settings.saveDir.text(), "D:\\\x83\x5c\x83\x74\x83\x67");
    EXPECT_STREQ(l.settings.saveFile.text(), "my pic");
    EXPECT_EQ(l.settings.OptionFlag, 5);
    EXPECT_EQ(static_cast<uint32_t>(l.settings.ColorTP), 0x80000000u);
    EXPECT_EQ(l.settings.Port, 65535);
    EXPECT_EQ(l.setup.kind, 2);
    EXPECT_EQ(l.setup.appletWidth, -1);
    EXPECT_EQ(l.setup.appletHeight, 40);
    EXPECT_EQ(l.setup.imageWidth, 800u);
    EXPECT_EQ(l.setup.imageHeight, 600u);
    EXPECT_TRUE(l.setup.animation);
    EXPECT_EQ(l.setup.quality, 1);
    EXPECT_EQ(l.setup.layers, 4u);
    EXPECT_EQ(l.setup.undo, 10u);
    EXPECT_EQ(l.setup.undoBatch, 3u);
    EXPECT_EQ(l.setup.palette, 1);
    EXPECT_EQ(presetsText(l.settings.presets), "64x48 128x96 ");
}

TEST(IniSectionCalls, TextsFillUpToTheCapacityAndNumbersAreDecimal) {
    TempFolder folder;
    std::string path = folder.file("set.ini");
    IniSection design(path.c_str(), "Design");
    design.setInt("color2", -1);
    design.setInt("color3", 255);
    design.setText("Cursor", std::string(100, 'c').c_str());
    EXPECT_EQ(folder.read("set.ini"), "[Design]\r\ncolor2=-1\r\ncolor3=255\r\nCursor=" + std::string(100, 'c') + "\r\n");
    EXPECT_EQ(design.getInt("color3", -1), 255);
    EXPECT_EQ(design.getInt("color4", -1), -1);
    TextBuffer small;  // capacity 63
    design.getText("Cursor", small, "");
    EXPECT_EQ(small.length(), 63);
    char buffer[8];
    design.getText("Missing", buffer, sizeof buffer, "fallback");
    EXPECT_STREQ(buffer, "fallbac");
    design.eraseSection("Design");
    EXPECT_EQ(design.getInt("color3", -7), -7);
}

TEST(SettingsFile, IsSetIniInTheProgramFolder) {
    TextBuffer path;
    ASSERT_TRUE(settingsPath(path));
    EXPECT_EQ(std::string(path.text()), testProgramFolder() + "\\set.ini");
}
