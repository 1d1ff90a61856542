// The size presets behind the "▼" menu and the preset editor: the text of a
// size, and the editor's list of lines with its operations, so that the
// dialog only mirrors them in its list box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/text_buffer.h"

// "%dx%d" of a size, as the menu and the editor show it.
void presetText(const SizePreset& size, TextBuffer& out);

// The editor's size text from its width and height fields, each held at
// 9999 at most.
void editFieldsText(uint32_t width, uint32_t height, TextBuffer& out);

// What an add or insert did: done, nothing (no selected line), or refused
// because the list is full (the editor warns "これ以上追加できません").
enum class PresetEdit { done, ignored, full };

// The editor's lines, one "%dx%d" per size, and the selected line (-1 none).
class PresetLines {
public:
    explicit PresetLines(const PresetTable& table);

    const std::vector<std::string>& lines() const { return lines_; }
    int selected() const { return selected_; }
    // Out of range selects nothing.
    void select(int index);

    // Appends at the end; full at 30 lines.
    PresetEdit add(const char* text);
    // Before the selected line, at its index; full at 30 lines.
    PresetEdit insert(const char* text);
    // The selected line, which stays selected. The rest need a selection
    // too and return false without one.
    bool replace(const char* text);
    // Then selects the line now at the same index (none after the last).
    bool remove();
    // Move the selected line one place and keep it selected; false at the
    // first (up) or last (down) line.
    bool moveUp();
    bool moveDown();

    // Empties every slot of table and fills one per line from its "%dx%d",
    // cut to 16 bits.
    void store(PresetTable& table) const;

private:
    bool hasSelection() const { return selected_ >= 0 && selected_ < static_cast<int>(lines_.size()); }
    void swapSelectedWith(int other);

    std::vector<std::string> lines_;
    int selected_ = -1;
};
