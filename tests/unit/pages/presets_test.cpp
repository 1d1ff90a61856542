// The size presets: their text, the editor's operations and the table they
// rebuild, and the round trip through set.ini.
#include "pages/presets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/drawing_setup.h"
#include "tests/support/temp_folder.h"

using Lines = std::vector<std::string>;

namespace {

PresetTable tableOf(const Lines& sizes) {
    PresetTable table;
    for (size_t i = 0; i < sizes.size(); ++i) {
        int w = 0, h = 0;
        std::sscanf(sizes[i].c_str(), "%dx%d", &w, &h);
        table.slots[i] = {static_cast<uint16_t>(w), static_cast<uint16_t>(h)};
    }
    return table;
}

std::string text(void (*f)(uint32_t, uint32_t, TextBuffer&), uint32_t w, uint32_t h) {
    TextBuffer out;
    f(w, h, out);
    return out.text();
}

}  // namespace

TEST(PresetText, SizesAndTheEditFields) {
    TextBuffer out;
    presetText({320, 240}, out);
    EXPECT_STREQ(out.text(), "320x240");
    presetText({65534, 0}, out);
    EXPECT_STREQ(out.text(), "65534x0");
    EXPECT_EQ(text(editFieldsText, 12000, 50), "9999x50");
    EXPECT_EQ(text(editFieldsText, 9999, 10000), "9999x9999");
    EXPECT_EQ(text(editFieldsText, 0, 0), "0x0");
    EXPECT_EQ(text(editFieldsText, 4294967295u, 1), "9999x1");
}

TEST(PresetEditor, StartsWithTheTableAndNoSelection) {
    Settings settings;  // the nine default sizes
    PresetLines lines(settings.presets);
    EXPECT_EQ(lines.lines(), (Lines{"100x100", "150x150", "200x200", "250x250", "300x300", "350x350", "400x400",
                                    "450x450", "500x500"}));
    EXPECT_EQ(lines.selected(), -1);
    EXPECT_EQ(settings.presets.slots[2].width, 200);  // the third menu item
    EXPECT_EQ(settings.presets.slots[2].height, 200);
}

TEST(PresetEditor, AddInsertAndReplace) {
    PresetLines lines(tableOf({"1x1", "2x2"}));
    EXPECT_EQ(lines.add("3x3"), PresetEdit::done);
    EXPECT_EQ(lines.insert("9x9"), PresetEdit::ignored);  // nothing selected
    EXPECT_FALSE(lines.replace("9x9"));
    lines.select(1);
    EXPECT_EQ(lines.insert("4x4"), PresetEdit::done);
    EXPECT_EQ(lines.lines(), (Lines{"1x1", "4x4", "2x2", "3x3"}));
    EXPECT_TRUE(lines.replace("5x5"));
    EXPECT_EQ(lines.selected(), 1);
    EXPECT_EQ(lines.lines(), (Lines{"1x1", "5x5", "2x2", "3x3"}));
    lines.select(7);
    EXPECT_EQ(lines.selected(), -1);
}

TEST(PresetEditor, ThirtyLinesRefuseAddAndInsertButNotTheRest) {
    PresetLines lines(PresetTable{});
    for (int i = 0; i < 30; ++i) ASSERT_EQ(lines.add((std::to_string(i) + "x1").c_str()), PresetEdit::done);
    EXPECT_EQ(lines.add("31x1"), PresetEdit::full);
    lines.select(3);
    EXPECT_EQ(lines.insert("31x1"), PresetEdit::full);
    EXPECT_EQ(lines.lines().size(), 30u);
    EXPECT_TRUE(lines.replace("7x7"));
    EXPECT_TRUE(lines.moveDown());
    EXPECT_TRUE(lines.remove());
    EXPECT_EQ(lines.lines().size(), 29u);
    EXPECT_EQ(lines.add("8x8"), PresetEdit::done);
}

TEST(PresetEditor, DeleteSelectsTheNextLine) {
    PresetLines lines(tableOf({"1x1", "2x2", "3x3"}));
    EXPECT_FALSE(lines.remove());
    lines.select(1);
    EXPECT_TRUE(lines.remove());
    EXPECT_EQ(lines.lines(), (Lines{"1x1", "3x3"}));
    EXPECT_EQ(lines.selected(), 1);
    EXPECT_TRUE(lines.remove());
    EXPECT_EQ(lines.selected(), -1);  // the last line went
    EXPECT_EQ(lines.lines(), (Lines{"1x1"}));
}

TEST(PresetEditor, MovesKeepTheSelectionAndStopAtTheEnds) {
    PresetLines lines(tableOf({"1x1", "2x2", "3x3"}));
    EXPECT_FALSE(lines.moveUp());
    lines.select(0);
    EXPECT_FALSE(lines.moveUp());
    lines.select(2);
    EXPECT_FALSE(lines.moveDown());
    EXPECT_EQ(lines.lines(), (Lines{"1x1", "2x2", "3x3"}));
    EXPECT_TRUE(lines.moveUp());
    EXPECT_EQ(lines.selected(), 1);
    EXPECT_EQ(lines.lines(), (Lines{"1x1", "3x3", "2x2"}));
    lines.select(0);
    EXPECT_TRUE(lines.moveDown());
    EXPECT_EQ(lines.selected(), 1);
    EXPECT_EQ(lines.lines(), (Lines{"3x3", "1x1", "2x2"}));
}

TEST(PresetEditor, ClosingRebuildsTheTable) {
    PresetLines lines(tableOf({"1x1"}));
    lines.add("9999x50");
    lines.add("0x0");
    PresetTable table = tableOf({"5x5", "6x6", "7x7", "8x8"});
    lines.store(table);
    EXPECT_EQ(table.count(), 3);
    EXPECT_EQ(table.slots[1].width, 9999);
    EXPECT_EQ(table.slots[1].height, 50);
    EXPECT_EQ(table.slots[2].width, 0);
    EXPECT_EQ(table.slots[3].width, presetEnd);
    EXPECT_EQ(table.slots[29].height, presetEnd);
}

TEST(PresetEditor, AnEmptiedListBringsBackTheDefaultsAtTheNextStart) {
    TempFolder folder;
    std::string path = folder.file("set.ini");
    Settings settings;
    DrawingSetup setup;
    PresetLines lines(settings.presets);
    lines.select(0);
    while (lines.remove()) lines.select(0);
    EXPECT_TRUE(lines.lines().empty());
    lines.store(settings.presets);
    EXPECT_EQ(settings.presets.count(), 0);
    saveSettings(path.c_str(), settings, setup);
    EXPECT_EQ(folder.read("set.ini").find("preset"), std::string::npos);
    Settings next;
    loadSettings(path.c_str(), next, setup);
    EXPECT_EQ(next.presets.count(), 9);
    EXPECT_EQ(next.presets.slots[8].width, 500);
}
