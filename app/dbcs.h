// Double-byte character scanning for code page 932 (Shift_JIS) texts.
// Every scan for a single character steps over trail bytes through here, so
// that a trail byte 0x5C or 0x2E is never taken for \ or '.'.
#pragma once

namespace dbcs {

inline bool isLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// The position of the character after the one at text[i] (i < length).
inline int nextIndex(const char* text, int i) {
    return isLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] ? i + 2 : i + 1;
}

// Index of the first ch at or after from, or -1; from must start a character.
int find(const char* text, int from, char ch);
// Index of the last ch, or -1.
int findLast(const char* text, char ch);

}  // namespace dbcs
