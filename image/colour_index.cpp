#include "image/colour_index.h"

void ColourIndex::clear() {
    for (uint32_t& key : keys_) key = emptySlot;
    count_ = 0;
}

bool ColourIndex::add(uint32_t colour) {
    if (count_ == capacity) return false;
    uint32_t slot = home(colour);
    for (; keys_[slot] != emptySlot; slot = (slot + 1) & (slotCount - 1)) {
        if (keys_[slot] == colour) return false;
    }
    keys_[slot] = colour;
    positions_[slot] = static_cast<uint8_t>(count_++);
    return true;
}

void ColourIndex::addPalette(const uint32_t* palette, int count) {
    clear();
    for (int i = 0; i < count && i < capacity; ++i) {
        uint32_t colour = palette[i];
        if (colour > 0xFFFFFF || find(colour) != notFound) {
            // A repeat (or a value no pixel can have) still takes its
            // position, so later colours keep theirs.
            ++count_;
            continue;
        }
        add(colour);
    }
}
