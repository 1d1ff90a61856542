#include "pages/presets.h"

#include <cstdio>
#include <utility>

#include "app/decimal.h"

namespace {

constexpr uint32_t largestEditedSide = 9999;

void sizeText(uint32_t width, uint32_t height, TextBuffer& out) {
    char text[32];
    std::snprintf(text, sizeof text, "%ux%u", width, height);
    out.assign(text);
}

}  // namespace

void presetText(const SizePreset& size, TextBuffer& out) { sizeText(size.width, size.height, out); }

void editFieldsText(uint32_t width, uint32_t height, TextBuffer& out) {
    sizeText(width > largestEditedSide ? largestEditedSide : width,
             height > largestEditedSide ? largestEditedSide : height, out);
}

PresetLines::PresetLines(const PresetTable& table) {
    TextBuffer text;
    for (int i = 0; i < table.count(); ++i) {
        presetText(table.slots[i], text);
        lines_.emplace_back(text.text());
    }
}

void PresetLines::select(int index) { selected_ = index >= 0 && index < static_cast<int>(lines_.size()) ? index : -1; }

PresetEdit PresetLines::add(const char* text) {
    if (lines_.size() >= presetSlots) return PresetEdit::full;
    lines_.emplace_back(text);
    return PresetEdit::done;
}

PresetEdit PresetLines::insert(const char* text) {
    if (!hasSelection()) return PresetEdit::ignored;
    if (lines_.size() >= presetSlots) return PresetEdit::full;
    lines_.insert(lines_.begin() + selected_, text);
    return PresetEdit::done;
}

bool PresetLines::replace(const char* text) {
    if (!hasSelection()) return false;
    lines_[selected_] = text;
    return true;
}

bool PresetLines::remove() {
    if (!hasSelection()) return false;
    lines_.erase(lines_.begin() + selected_);
    select(selected_);
    return true;
}

bool PresetLines::moveUp() {
    if (!hasSelection() || selected_ == 0) return false;
    swapSelectedWith(selected_ - 1);
    return true;
}

bool PresetLines::moveDown() {
    if (!hasSelection() || selected_ + 1 == static_cast<int>(lines_.size())) return false;
    swapSelectedWith(selected_ + 1);
    return true;
}

void PresetLines::swapSelectedWith(int other) {
    std::swap(lines_[selected_], lines_[other]);
    selected_ = other;
}

void PresetLines::store(PresetTable& table) const {
    table.clear();
    int n = static_cast<int>(lines_.size());
    for (int i = 0; i < n && i < presetSlots; ++i) {
        int32_t width = 0, height = 0;
        decimal::scanPair(lines_[i].c_str(), 'x', width, height);
        table.slots[i] = {static_cast<uint16_t>(width), static_cast<uint16_t>(height)};
    }
}
