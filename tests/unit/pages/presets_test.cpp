// The size presets: the editor's size text and the table its lines rebuild,
// which set.ini gets (one without presets reads as the defaults, see the
// settings tests).
#include "pages/presets.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/settings.h"

TEST(PresetText, TheEditFieldsAreCutTo9999) {
    TextBuffer out;
    const std::tuple<uint32_t, uint32_t, const char*> fields[] = {
        {12000, 50, "9999x50"}, {9999, 10000, "9999x9999"}, {0, 0, "0x0"}, {4294967295u, 1, "9999x1"}};
    for (auto [width, height, text] : fields) {
        editFieldsText(width, height, out);
        EXPECT_STREQ(out.text(), text);
    }
}

// The editor dialog's tests drive its operations through its buttons under
// Wine; here are the rules its buttons do not reach.
TEST(PresetEditor, ClosingRebuildsTheTable) {
    PresetLines lines{PresetTable()};
    lines.select(0);
    EXPECT_EQ(lines.selected(), -1);  // out of range selects nothing
    lines.add("9999x50");
    lines.add("0x0");
    PresetTable table = Settings().presets;  // nine sizes
    lines.store(table);
    EXPECT_EQ(table.count(), 2);
    EXPECT_EQ((std::vector<int>{table.slots[0].width, table.slots[0].height, table.slots[1].width, table.slots[2].width,
                                table.slots[29].height}),
              (std::vector<int>{9999, 50, 0, presetEnd, presetEnd}));
}
