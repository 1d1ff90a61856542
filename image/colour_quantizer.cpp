#include "image/colour_quantizer.h"

#include <algorithm>
#include <cstring>

namespace {

// How much a difference in each channel counts, squared distances weighed
// alike by the median cut and by the map.
constexpr int32_t channelWeight[3] = {3, 4, 2};  // red, green, blue
constexpr uint32_t slabCount = 64;               // cells along one channel

// Calls count(colour, pixels) once for each run of equal colours among the
// 3-byte pixels; paintings have long runs of one colour.
template <typename ColourOf, typename Count>
void countRuns(const uint8_t* pixel, size_t pixels, ColourOf colourOf, Count count) {
    uint32_t run = colourOf(pixel);
    uint64_t length = 1;
    for (size_t i = 1; i < pixels; ++i) {
        pixel += 3;
        const uint32_t colour = colourOf(pixel);
        if (colour == run) {
            ++length;
            continue;
        }
        count(run, length);
        run = colour;
        length = 1;
    }
    count(run, length);
}

// A set of pixels by its weight (how many) and the sums of their channels.
struct Sums {
    double pixels = 0, channel[3] = {0, 0, 0};

    void add(const Sums& other) {
        pixels += other.pixels;
        for (int c = 0; c < 3; ++c) channel[c] += other.channel[c];
    }
    Sums minus(const Sums& other) const {
        Sums rest = *this;
        rest.pixels -= other.pixels;
        for (int c = 0; c < 3; ++c) rest.channel[c] -= other.channel[c];
        return rest;
    }
    // The weighted sum of squared means times pixels: the squared error of a
    // set is its pixels' sum of squares less this, so a split gains the
    // halves' energies less the whole's.
    double energy() const {
        double e = 0;
        for (int c = 0; c < 3; ++c) e += channelWeight[c] * channel[c] * channel[c];
        return e / pixels;
    }
    uint32_t meanColour() const {
        uint32_t colour = 0;
        for (int c = 0; c < 3; ++c) {
            const double mean = channel[c] / pixels + 0.5;
            colour = colour << 8 | static_cast<uint32_t>(std::clamp(mean, 0.0, 255.0));
        }
        return colour;
    }
};

// One non-empty cell: its place along each channel and its pixels.
struct Item {
    uint8_t slab[3];
    Sums sums;
};

// Items [begin, end) and the best split found for them: items whose slab
// along axis is below cut go first.
struct Box {
    uint32_t begin, end;
    double gain;
    int axis;
    uint32_t cut;
};

// Finds box's best split over every axis and every slab boundary.
void evaluate(const Item* items, Box& box) {
    box.gain = 0;
    if (box.end - box.begin < 2) return;
    for (int axis = 0; axis < 3; ++axis) {
        Sums slabs[slabCount], whole;
        for (uint32_t i = box.begin; i < box.end; ++i) slabs[items[i].slab[axis]].add(items[i].sums);
        for (const Sums& s : slabs) whole.add(s);
        const double wholeEnergy = whole.energy();
        Sums first;
        for (uint32_t cut = 1; cut < slabCount; ++cut) {
            first.add(slabs[cut - 1]);
            if (first.pixels == 0 || first.pixels == whole.pixels) continue;
            const double gain = first.energy() + whole.minus(first).energy() - wholeEnergy;
            if (gain > box.gain) {
                box.gain = gain;
                box.axis = axis;
                box.cut = cut;
            }
        }
    }
}

}  // namespace

bool ColourHistogram::ready() {
    if (!failed_ && cells_.empty() && !cells_.allocate(colourCells * sizeof(Cell))) failed_ = true;
    return !failed_;
}

void ColourHistogram::tally(uint32_t colour, uint64_t pixels) {
    Cell& cell = reinterpret_cast<Cell*>(cells_.data())[colourCell(colour)];
    cell.pixels += pixels;
    cell.red += pixels * (colour >> 16);
    cell.green += pixels * (colour >> 8 & 0xFF);
    cell.blue += pixels * (colour & 0xFF);
    if (manyColours_ || distinct_.find(colour) != ColourIndex::notFound) return;
    if (distinct_.count() == maxColours) {
        manyColours_ = true;
        return;
    }
    distinctColours_[distinct_.count()] = colour;
    distinct_.add(colour);
}

bool ColourHistogram::add(const RasterImage& picture) {
    if (picture.isEmpty() || picture.bytesPerPixel() != 3 || !ready()) return false;
    for (int32_t y = 0; y < picture.height(); ++y)
        countRuns(picture.pixelAddress(0, y), static_cast<size_t>(picture.width()), censusColour,
                  [this](uint32_t colour, uint64_t pixels) { tally(colour, pixels); });
    return true;
}

bool ColourHistogram::add(const uint8_t* rgb, size_t pixelCount) {
    if (!rgb || !ready()) return false;
    if (pixelCount == 0) return true;
    const auto colourOf = [](const uint8_t* p) {
        return static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
    };
    countRuns(rgb, pixelCount, colourOf, [this](uint32_t colour, uint64_t pixels) { tally(colour, pixels); });
    return true;
}

bool ColourHistogram::makePalette(uint32_t* palette, int& count) const {
    if (!palette || cells_.empty() || failed_) return false;
    if (!manyColours_) {
        count = distinct_.count();
        std::memcpy(palette, distinctColours_, sizeof distinctColours_);
        return count > 0;
    }
    return cutCells(palette, count);
}

bool ColourHistogram::cutCells(uint32_t* palette, int& count) const {
    uint32_t itemCount = 0;
    for (uint32_t b = 0; b < colourCells; ++b) itemCount += cells()[b].pixels != 0;
    ByteBuffer itemBuffer;
    if (!itemBuffer.allocate(itemCount * sizeof(Item))) return false;
    Item* const items = reinterpret_cast<Item*>(itemBuffer.data());
    Item* item = items;
    for (uint32_t b = 0; b < colourCells; ++b) {
        const Cell& cell = cells()[b];
        if (!cell.pixels) continue;
        *item++ = {{static_cast<uint8_t>(b >> 12), static_cast<uint8_t>(b >> 6 & 63), static_cast<uint8_t>(b & 63)},
                   {static_cast<double>(cell.pixels),
                    {static_cast<double>(cell.red), static_cast<double>(cell.green), static_cast<double>(cell.blue)}}};
    }
    Box boxes[maxColours];
    int boxCount = 1;
    boxes[0] = {0, itemCount, 0, 0, 0};
    evaluate(items, boxes[0]);
    while (boxCount < maxColours) {
        Box* best = std::max_element(boxes, boxes + boxCount, [](const Box& a, const Box& b) { return a.gain < b.gain; });
        if (best->gain <= 0) break;
        const Box whole = *best;
        Item* const middle = std::partition(items + whole.begin, items + whole.end,
                                            [&whole](const Item& i) { return i.slab[whole.axis] < whole.cut; });
        const uint32_t split = static_cast<uint32_t>(middle - items);
        *best = {whole.begin, split, 0, 0, 0};
        boxes[boxCount] = {split, whole.end, 0, 0, 0};
        evaluate(items, *best);
        evaluate(items, boxes[boxCount++]);
    }
    for (int i = 0; i < boxCount; ++i) {
        Sums sums;
        for (uint32_t k = boxes[i].begin; k < boxes[i].end; ++k) sums.add(items[k].sums);
        palette[i] = sums.meanColour();
    }
    std::fill(palette + boxCount, palette + maxColours, 0u);
    count = boxCount;
    return true;
}

bool PaletteMap::build(const uint32_t* palette, int count) {
    count_ = 0;
    if (!palette || count < 1 || count > 256 || !table_.allocate(colourCells * sizeof(uint16_t))) {
        table_.release();
        return false;
    }
    std::memset(table_.data(), 0xFF, table_.size());  // every cell unknownCell
    exact_.addPalette(palette, count);
    for (int i = 0; i < count; ++i) entry_[i] = static_cast<uint8_t>(i);
    std::stable_sort(entry_, entry_ + count,
                     [palette](uint8_t a, uint8_t b) { return (palette[a] >> 8 & 0xFF) < (palette[b] >> 8 & 0xFF); });
    for (int k = 0; k < count; ++k) {
        const uint32_t colour = palette[entry_[k]];
        red_[k] = static_cast<int32_t>(colour >> 16 & 0xFF) * 2;
        green_[k] = static_cast<int32_t>(colour >> 8 & 0xFF) * 2;
        blue_[k] = static_cast<int32_t>(colour & 0xFF) * 2;
    }
    count_ = count;
    uint16_t* const table = reinterpret_cast<uint16_t*>(table_.data());
    uint32_t slots = 0;
    for (int i = 0; i < count; ++i) {
        const uint32_t colour = palette[i] & 0xFFFFFF, cell = colourCell(colour);
        if (table[cell] == unknownCell) {
            slots_[slots] = {colour, static_cast<uint8_t>(i), nearestToCentre(cell)};
            table[cell] = static_cast<uint16_t>(paletteCell | slots++);
        } else if (slots_[table[cell] & 0xFF].colour != colour) {
            slots_[table[cell] & 0xFF].colour = noColour;
        }
    }
    return true;
}

uint8_t PaletteMap::nearestToCentre(uint32_t cell) const {
    // A cell spans 4 values per channel; doubled, its centre is 8c + 3.
    const int32_t r = static_cast<int32_t>(cell >> 12) * 8 + 3, g = static_cast<int32_t>(cell >> 6 & 0x3F) * 8 + 3,
                  b = static_cast<int32_t>(cell & 0x3F) * 8 + 3;
    int32_t best = INT32_MAX;
    uint8_t nearest = 0;
    const auto consider = [&](int k) {
        const int32_t dr = red_[k] - r, dg = green_[k] - g, db = blue_[k] - b;
        const int32_t distance = channelWeight[0] * dr * dr + channelWeight[1] * dg * dg + channelWeight[2] * db * db;
        if (distance < best) {
            best = distance;
            nearest = entry_[k];
        }
    };
    const int start = static_cast<int>(std::lower_bound(green_, green_ + count_, g) - green_);
    for (int k = start; k < count_ && channelWeight[1] * (green_[k] - g) * (green_[k] - g) <= best; ++k) consider(k);
    for (int k = start - 1; k >= 0 && channelWeight[1] * (g - green_[k]) * (g - green_[k]) <= best; --k) consider(k);
    return nearest;
}

uint16_t PaletteMap::fill(uint32_t cell) {
    const uint16_t entry = nearestToCentre(cell);
    reinterpret_cast<uint16_t*>(table_.data())[cell] = entry;
    return entry;
}

uint8_t PaletteMap::sharedIndex(uint32_t colour, const PaletteSlot& slot) const {
    const int own = exact_.find(colour);
    return own == ColourIndex::notFound ? slot.nearest : static_cast<uint8_t>(own);
}

uint8_t PaletteMap::indexOf(uint32_t colour) {
    if (table_.empty()) return 0;
    colour &= 0xFFFFFF;
    const uint32_t cell = colourCell(colour);
    const uint16_t entry = reinterpret_cast<const uint16_t*>(table_.data())[cell];
    return indexIn(colour, entry == unknownCell ? fill(cell) : entry);
}

bool PaletteMap::mapToIndices(const RasterImage& frame, ByteBuffer& indices) {
    if (table_.empty() || frame.isEmpty() || frame.bytesPerPixel() != 3) return false;
    const size_t width = static_cast<size_t>(frame.width());
    const size_t pixels = width * static_cast<size_t>(frame.height());
    if (indices.size() != pixels && !indices.allocate(pixels)) return false;
    const uint16_t* const table = reinterpret_cast<const uint16_t*>(table_.data());
    uint8_t* to = indices.data();
    for (int32_t y = 0; y < frame.height(); ++y) {
        const uint8_t* p = frame.pixelAddress(0, y);
        // A pixel read as one word is its census colour in the low 24 bits;
        // the row's last pixel is read by bytes, as its word could run past
        // the picture's end. A run of one colour (a flat area, the blank
        // canvas) is looked up once.
        uint32_t runColour = noColour;
        uint8_t runIndex = 0;
        for (size_t x = 1; x < width; ++x, p += 3) {
            uint32_t word;
            std::memcpy(&word, p, 4);
            word &= 0xFFFFFF;
            if (word != runColour) {
                const uint32_t cell = colourCell(word);
                const uint16_t entry = table[cell];
                runIndex = indexIn(word, entry == unknownCell ? fill(cell) : entry);
                runColour = word;
            }
            *to++ = runIndex;
        }
        *to++ = indexOf(censusColour(p));
    }
    return true;
}
