// Colour reduction for animated GIFs: a histogram of the frames' colours, a
// palette of at most 256 colours cut from it, and a map from any colour to its
// nearest palette entry. Colours are census colours 0x00RRGGBB, as
// RasterImage::countColours gives them and prepareGif takes them. There is no
// dithering: frames that differ a little stay different only there.
//
//     ColourHistogram histogram;
//     for (each frame) histogram.add(frame);
//     uint32_t palette[256]; int count;
//     histogram.makePalette(palette, count);
//     PaletteMap map;
//     map.build(palette, count);
//     for (each frame) map.mapToIndices(frame, indices);
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/byte_buffer.h"
#include "image/colour_index.h"
#include "image/raster_image.h"

// The grid in which both count and look up colours: 6 bits per channel, so
// a smooth gradient still crosses a cell every 4 steps of a channel.
constexpr uint32_t colourCells = 1u << 18;
// A colour's cell: the top 6 bits of red, green and blue, red highest.
inline uint32_t colourCell(uint32_t colour) {
    return (colour >> 6 & 0x3F000) | (colour >> 4 & 0xFC0) | (colour >> 2 & 0x3F);
}

// The counts of the colours added, in the cells of the grid, which also sum
// their pixels' colours (so each knows its mean), and the distinct colours
// themselves while there are no more than 256. The cells take 8 MB, from the
// first add on. A timelapse's frames differ little: counting every fourth and
// the last gives nearly the same palette (0.2 % more error) in a quarter of
// the time.
class ColourHistogram {
public:
    static constexpr int maxColours = 256;

    ColourHistogram() = default;
    ColourHistogram(const ColourHistogram&) = delete;
    ColourHistogram& operator=(const ColourHistogram&) = delete;

    // Counts every pixel of a 24-bit picture. False for another depth or an
    // empty picture (nothing counted), or when the cells cannot be allocated
    // (then every later call fails too).
    bool add(const RasterImage& picture);
    // Counts pixelCount pixels of red, green, blue bytes. False for a null
    // buffer or when the cells cannot be allocated.
    bool add(const uint8_t* rgb, size_t pixelCount);

    // Fills palette (room for maxColours) with count colours: with at most 256
    // distinct colours added, exactly those in the order met; otherwise a
    // median cut of the cells into 256 boxes, each box split where the summed
    // squared error of its two halves is least, the box with the largest gain
    // first, each colour the mean of its box's pixels. Distances weigh green
    // most and blue least, as the eye does (see PaletteMap). False when
    // nothing was counted or memory is short.
    bool makePalette(uint32_t* palette, int& count) const;

private:
    struct Cell {
        uint64_t pixels, red, green, blue;
    };

    bool ready();
    void tally(uint32_t colour, uint64_t pixels);
    bool cutCells(uint32_t* palette, int& count) const;
    const Cell* cells() const { return reinterpret_cast<const Cell*>(cells_.data()); }

    ByteBuffer cells_;
    bool failed_ = false;
    ColourIndex distinct_;
    uint32_t distinctColours_[maxColours] = {};
    bool manyColours_ = false;
};

// The nearest palette entry of every colour, through a table of the grid's
// cells (512 KB): a cell holds the entry nearest to its centre, found the
// first time a colour of the cell is met, so building is cheap and each pixel
// costs one look-up. A colour of the palette itself always maps to its own
// entry (its first one), so a picture of at most 256 colours with its exact
// palette maps without loss. Nearness is the squared distance with the
// weights 3, 4, 2 for red, green and blue.
class PaletteMap {
public:
    PaletteMap() = default;
    PaletteMap(const PaletteMap&) = delete;
    PaletteMap& operator=(const PaletteMap&) = delete;

    // Takes the first count (1 … 256) colours of palette. False for another
    // count or when the table cannot be allocated (the map is then unusable).
    bool build(const uint32_t* palette, int count);
    // The palette position nearest to colour (0x00RRGGBB); 0 before build.
    uint8_t indexOf(uint32_t colour);
    // Fills indices with frame's width × height palette positions, rows top
    // first (indices is allocated again only when its size differs). False
    // for a map not built, a frame not of 24 bits, or when memory is short.
    bool mapToIndices(const RasterImage& frame, ByteBuffer& indices);

private:
    static constexpr uint16_t unknownCell = 0xFFFF;
    // A cell that holds palette colours refers to its slot: 0x8000 | slot.
    static constexpr uint16_t paletteCell = 0x8000;
    // A colour no pixel has: a slot's colour when its cell holds more than
    // one palette colour (these are looked up in exact_), and no run yet.
    static constexpr uint32_t noColour = 0xFFFFFFFFu;

    // A cell's palette colour and its entry, and the entry nearest to the
    // cell's centre for every other colour.
    struct PaletteSlot {
        uint32_t colour;
        uint8_t own, nearest;
    };

    // The entry of a colour through its cell's entry in the table (known).
    uint8_t indexIn(uint32_t colour, uint16_t entry) const {
        if (entry < 256) return static_cast<uint8_t>(entry);
        const PaletteSlot& slot = slots_[entry & 0xFF];
        if (slot.colour == colour) return slot.own;
        return slot.colour == noColour ? sharedIndex(colour, slot) : slot.nearest;
    }
    uint8_t sharedIndex(uint32_t colour, const PaletteSlot& slot) const;
    uint8_t nearestToCentre(uint32_t cell) const;
    // Gives an unknown cell the entry nearest to its centre.
    uint16_t fill(uint32_t cell);

    ByteBuffer table_;
    ColourIndex exact_;
    PaletteSlot slots_[256] = {};
    int count_ = 0;
    // The palette by green, which weighs most, so a search for the nearest
    // entry can stop where green alone is farther than the best found: each
    // channel doubled (a cell's centre is then a whole number), and the entry.
    int32_t red_[256] = {}, green_[256] = {}, blue_[256] = {};
    uint8_t entry_[256] = {};
};
