// Decimal numbers read from outside text (set.ini values, file names, the
// command line, animation headers), bounded to 32 bits.
#pragma once

#include <cstdint>

namespace decimal {

// Reads blanks, an optional sign and at least one digit at text, stopping at
// the first other character. On success stores the number (held at the
// int32_t limits when it is longer) and moves text past it; otherwise leaves
// both unchanged and returns false.
bool scan(const char*& text, int32_t& value);

// The number at the start of text as scan reads it, 0 when there is none
// (the classic ascii-to-integer rule).
int32_t valueOf(const char* text);

// Reads digits only, no blanks or sign; 0 when text does not start with one.
uint32_t digitsValue(const char* text);

// Reads "%dx%d": a number, the letter x, a number. False unless both are read.
bool scanPair(const char* text, char separator, int32_t& first, int32_t& second);

}  // namespace decimal
