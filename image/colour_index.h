// Fast colour look-ups that give exactly the answers of a linear search over a
// palette in order: each colour maps to the position of its first occurrence.
#pragma once

#include <cstdint>
#include <cstring>

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "pixel keys are read as little-endian words"
#endif

// The census colour 0x00RRGGBB of a pixel stored blue, green, red.
inline uint32_t censusColour(const uint8_t* pixel) {
    return static_cast<uint32_t>(pixel[2]) << 16 | static_cast<uint32_t>(pixel[1]) << 8 | pixel[0];
}

// A pixel's key for ColourIndex: its census colour moved into the top 24 bits
// (0xRRGGBB00).
constexpr uint32_t colourKey(uint32_t colour) { return colour << 8; }

// The key of a pixel read as one word: the byte after the pixel must be
// readable (it is shifted out), so this is for every pixel of a row but its
// last.
inline uint32_t pixelKey(const uint8_t* pixel) {
    uint32_t word;
    std::memcpy(&word, pixel, 4);
    return word << 8;
}

// At most 256 colours, each with its palette position. A colour lives at its
// home slot of a direct table when that slot is free (one load and one compare
// find it there); the few whose home slot is taken go to a small
// open-addressing table kept at most a quarter full.
class ColourIndex {
public:
    static constexpr int capacity = 256;
    static constexpr int notFound = -1;

    ColourIndex() { clear(); }
    void clear();
    int count() const { return count_; }
    // The position given to colour, or notFound.
    int find(uint32_t colour) const { return findKey(colourKey(colour)); }
    // The same by key (colourKey, pixelKey).
    int findKey(uint32_t key) const {
        // A home entry is its colour's key with the position in the low byte.
        const uint32_t difference = home_[homeOf(key)] ^ key;
        return difference < 256 ? static_cast<int>(difference) : findAway(key >> 8);
    }
    // Gives colour the next position; false when it is already known or the
    // index is full.
    bool add(uint32_t colour);
    // Indexes the first count entries of palette; a repeated colour keeps the
    // position of its first occurrence.
    void addPalette(const uint32_t* palette, int count);

private:
    static constexpr uint32_t homeSlots = 4096;
    static constexpr uint32_t awaySlots = 1024;
    static constexpr uint32_t emptyAway = 0xFFFFFFFFu;  // no census colour has its top byte set
    static constexpr uint32_t homeOf(uint32_t key) { return (key * 2654435761u) >> 20; }
    static constexpr uint32_t awayOf(uint32_t colour) { return (colour * 2654435761u) >> 22; }
    // A free home slot holds the key of a colour whose home is elsewhere, so
    // no look-up can match it: colour 0 (key 0), and in colour 0's own home
    // slot colour 1.
    static constexpr uint32_t freeHome(uint32_t slot) { return slot == homeOf(0) ? colourKey(1) : 0; }
    bool homeTaken(uint32_t slot) const { return homeOf(home_[slot] & ~0xFFu) == slot; }
    int findAway(uint32_t colour) const;

    uint32_t home_[homeSlots];
    uint32_t awayColours_[awaySlots];
    uint8_t awayPositions_[awaySlots];
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
