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

}  // namespace

TEST(PresetText, SizesAndTheEditFieldsCutTo9999) {
    TextBuffer out;
    presetText({65534, 0}, out);
    EXPECT_STREQ(out.text(), "65534x0");
    const uint32_t fields[][3] = {{12000, 50, 9999}, {9999, 10000, 9999}, {0, 0, 0}, {4294967295u, 1, 9999}};
    for (const auto& f : fields) {
        editFieldsText(f[0], f[1], out);
        EXPECT_EQ(std::string(out.text()), std::to_string(f[2]) + "x" + std::to_string(f[1] > 9999 ? 9999 : f[1]));
    }
}

// The editor dialog's test drives these operations through its buttons; here
// are the rules its buttons do not reach.
TEST(PresetEditor, SelectionRulesAndAFullListThatRefusesOnlyAddAndInsert) {
    PresetLines lines(tableOf({"1x1", "2x2", "3x3"}));
    EXPECT_EQ(lines.insert("9x9"), PresetEdit::ignored);  // nothing selected
    EXPECT_FALSE(lines.replace("9x9"));
    EXPECT_FALSE(lines.remove());
    EXPECT_FALSE(lines.moveUp());
    lines.select(7);
    EXPECT_EQ(lines.selected(), -1);
    lines.select(0);
    EXPECT_TRUE(lines.moveDown());
    EXPECT_EQ(lines.selected(), 1);
    EXPECT_EQ(lines.lines(), (Lines{"2x2", "1x1", "3x3"}));
    while (lines.lines().size() < 30) ASSERT_EQ(lines.add("4x4"), PresetEdit::done);
    EXPECT_EQ(lines.add("31x1"), PresetEdit::full);
    EXPECT_EQ(lines.insert("31x1"), PresetEdit::full);
    EXPECT_TRUE(lines.replace("7x7"));
    EXPECT_TRUE(lines.moveDown());
    EXPECT_TRUE(lines.remove());
    EXPECT_EQ(lines.add("8x8"), PresetEdit::done);
    EXPECT_EQ(lines.lines().size(), 30u);
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
