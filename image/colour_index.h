// Fast colour look-ups that give exactly the answers of a linear search over a
// palette in order: each colour maps to the position of its first occurrence.
#pragma once

#include <cstdint>

// The census colour 0x00RRGGBB of a pixel stored blue, green, red.
inline uint32_t censusColour(const uint8_t* pixel) {
    return static_cast<uint32_t>(pixel[2]) << 16 | static_cast<uint32_t>(pixel[1]) << 8 | pixel[0];
}

// At most 256 colours, each with its palette position; an open-addressing
// hash kept at most a quarter full.
class ColourIndex {
public:
    static constexpr int capacity = 256;
    static constexpr int notFound = -1;

    ColourIndex() { clear(); }
    void clear();
    int count() const { return count_; }
    // The position given to colour, or notFound.
    int find(uint32_t colour) const {
        for (uint32_t slot = home(colour);; slot = (slot + 1) & (slotCount - 1)) {
            if (keys_[slot] == colour) return positions_[slot];
            if (keys_[slot] == emptySlot) return notFound;
        }
    }
    // Gives colour the next position; false when it is already known or the
    // index is full.
    bool add(uint32_t colour);
    // Indexes the first count entries of palette; a repeated colour keeps the
    // position of its first occurrence.
    void addPalette(const uint32_t* palette, int count);

private:
    static constexpr uint32_t slotCount = 1024;
    static constexpr uint32_t emptySlot = 0xFFFFFFFFu;  // no census colour has its top byte set
    static uint32_t home(uint32_t colour) { return (colour * 2654435761u) >> 22; }

    uint32_t keys_[slotCount];
    uint8_t positions_[slotCount];
    int count_ = 0;
};

// The palette index of each pixel for the PNG and GIF writers: the position in
// the palette, 0 for a colour that is not in it.
class PaletteLookup {
public:
    PaletteLookup(const uint32_t* palette, int count) { index_.addPalette(palette, count); }
    uint8_t indexOf(const uint8_t* pixel) {
        uint32_t colour = censusColour(pixel);
        if (colour != lastColour_) {
            int found = index_.find(colour);
            lastColour_ = colour;
            lastIndex_ = static_cast<uint8_t>(found == ColourIndex::notFound ? 0 : found);
        }
        return lastIndex_;
    }

private:
    ColourIndex index_;
    uint32_t lastColour_ = 0xFFFFFFFFu;
    uint8_t lastIndex_ = 0;
};
