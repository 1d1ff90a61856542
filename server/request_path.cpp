#include "server/request_path.h"

#include <cstring>

#include "app/dbcs.h"

namespace {

bool isForbiddenByte(unsigned char c) { return c < 0x20 || c == 0x7F || std::strchr("\\:*?\"<>|", c) != nullptr; }

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// The segment's name before its first ".", trailing blanks dropped, compared
// with the device names of Windows.
bool isDeviceName(const char* segment, int length) {
    int stem = 0;
    while (stem < length && segment[stem] != '.') stem = dbcs::nextIndex(segment, stem);
    while (stem > 0 && segment[stem - 1] == ' ') --stem;
    if (stem < 3 || stem > 7) return false;
    char name[8];
    for (int i = 0; i < stem; ++i) name[i] = upper(segment[i]);
    name[stem] = '\0';
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : devices) {
        if (std::strcmp(name, device) == 0) return true;
    }
    bool numbered = std::strncmp(name, "COM", 3) == 0 || std::strncmp(name, "LPT", 3) == 0;
    return numbered && stem == 4 && name[3] >= '0' && name[3] <= '9';
}

bool isSafeSegment(const char* segment, int length) {
    if (length == 0) return false;
    char last = segment[length - 1];
    // A trail byte is never '.' or ' ', so the last byte decides alone.
    if (last == '.' || last == ' ') return false;
    return !isDeviceName(segment, length);
}

}  // namespace

bool requestFileName(const char* path, TextBuffer& name) {
    if (path[0] != '/') return false;
    const char* rest = path + 1;
    int segmentStart = 0;
    for (int i = 0;; i = dbcs::nextIndex(rest, i)) {
        unsigned char c = static_cast<unsigned char>(rest[i]);
        if (c == '\0' || c == '/') {
            if (!isSafeSegment(rest + segmentStart, i - segmentStart)) return false;
            if (c == '\0') break;
            segmentStart = i + 1;
            continue;
        }
        if (dbcs::isLeadByte(c) && rest[i + 1]) continue;  // its trail byte is part of the character
        if (isForbiddenByte(c)) return false;
    }
    name.assign(rest);
    return true;
}
