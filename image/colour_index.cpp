#include "image/colour_index.h"

void ColourIndex::clear() {
    static_assert(homeOf(colourKey(1)) != homeOf(0), "the free marker of colour 0's home slot must live elsewhere");
    for (uint32_t slot = 0; slot < homeSlots; ++slot) home_[slot] = freeHome(slot);
    for (uint32_t& colour : awayColours_) colour = emptyAway;
    count_ = 0;
}

int ColourIndex::findAway(uint32_t colour) const {
    for (uint32_t slot = awayOf(colour);; slot = (slot + 1) & (awaySlots - 1)) {
        if (awayColours_[slot] == colour) return awayPositions_[slot];
        if (awayColours_[slot] == emptyAway) return notFound;
    }
}

bool ColourIndex::add(uint32_t colour) {
    if (count_ == capacity || colour > 0xFFFFFF || find(colour) != notFound) return false;
    const uint32_t position = static_cast<uint32_t>(count_++);
    const uint32_t home = homeOf(colourKey(colour));
    if (!homeTaken(home)) {
        home_[home] = colourKey(colour) | position;
        return true;
    }
    uint32_t slot = awayOf(colour);
    while (awayColours_[slot] != emptyAway) slot = (slot + 1) & (awaySlots - 1);
    awayColours_[slot] = colour;
    awayPositions_[slot] = static_cast<uint8_t>(position);
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
