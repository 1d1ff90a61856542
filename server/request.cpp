#include "server/request.h"

#include <cstring>

namespace request {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

// The next blank-separated token of the first line from pos into out
// (capacity counts the terminator); false when it does not fit.
bool readToken(const char* bytes, int length, int& pos, char* out, int capacity) {
    while (pos < length && isBlank(bytes[pos])) ++pos;
    int n = 0;
    bool fits = true;
    for (; pos < length && !isBlank(bytes[pos]) && !isLineEnd(bytes[pos]); ++pos) {
        if (n + 1 < capacity) {
            out[n++] = bytes[pos];
        } else {
            fits = false;
        }
    }
    out[n] = '\0';
    return fits;
}

// True when the line at start names the field (any letter case) followed by
// a colon; pos is then just past the colon.
bool isField(const char* bytes, int length, int start, const char* field, int& pos) {
    int n = static_cast<int>(std::strlen(field));
    if (length - start <= n || !sameLetters(bytes + start, field, n) || bytes[start + n] != ':') return false;
    pos = start + n + 1;
    return true;
}

// A decimal value of at most maxBodyLength from pos to the end of the line,
// blanks allowed around it.
bool readLength(const char* bytes, int length, int pos, uint32_t& value) {
    while (pos < length && isBlank(bytes[pos])) ++pos;
    int digits = 0;
    uint32_t v = 0;
    for (; pos < length && bytes[pos] >= '0' && bytes[pos] <= '9'; ++pos, ++digits) {
        v = v * 10 + static_cast<uint32_t>(bytes[pos] - '0');
        if (v > maxBodyLength) return false;
    }
    while (pos < length && isBlank(bytes[pos])) ++pos;
    if (digits == 0 || pos >= length || !isLineEnd(bytes[pos])) return false;
    value = v;
    return true;
}

}  // namespace

bool sameLetters(const char* text, const char* word, int n) {
    auto folded = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (int i = 0; i < n; ++i) {
        if (folded(text[i]) != folded(word[i])) return false;
    }
    return true;
}

int find(const char* bytes, int from, int length, const char* needle) {
    int n = static_cast<int>(std::strlen(needle));
    if (from < 0 || n == 0) return -1;
    for (int i = from; i + n <= length; ++i) {
        if (bytes[i] == needle[0] && std::memcmp(bytes + i, needle, static_cast<size_t>(n)) == 0) return i;
    }
    return -1;
}

int headerEnd(const char* bytes, int length) {
    int at = find(bytes, 0, length, "\r\n\r\n");
    return at < 0 ? -1 : at + 4;
}

Method methodOf(const char* header, int length) {
    char method[16];
    int pos = 0;
    if (!readToken(header, length, pos, method, sizeof method)) return Method::other;
    if (std::strcmp(method, "GET") == 0) return Method::get;
    if (std::strcmp(method, "POST") == 0) return Method::post;
    return Method::other;
}

BodyLength bodyLength(const char* header, int length, uint32_t& value) {
    bool found = false;
    // Each line start is visited once: the walk only moves forward.
    for (int start = 0; start < length;) {
        int pos;
        if (isField(header, length, start, "Content-Length", pos)) {
            uint32_t v;
            if (!readLength(header, length, pos, v) || (found && v != value)) return BodyLength::invalid;
            value = v;
            found = true;
        }
        int lineFeed = find(header, start, length, "\n");
        if (lineFeed < 0) break;
        start = lineFeed + 1;
    }
    return found ? BodyLength::valid : BodyLength::missing;
}

Field fieldValue(const char* header, int length, const char* field, int& start, int& size) {
    Field found = Field::absent;
    for (int lineStart = 0; lineStart < length;) {
        int lineFeed = find(header, lineStart, length, "\n");
        int lineEnd = lineFeed < 0 ? length : lineFeed;
        int pos;
        if (isField(header, lineEnd, lineStart, field, pos)) {
            if (found != Field::absent) return Field::repeated;
            int end = lineEnd;
            while (pos < end && isBlank(header[pos])) ++pos;
            while (end > pos && (isBlank(header[end - 1]) || isLineEnd(header[end - 1]))) --end;
            start = pos;
            size = end - pos;
            found = Field::once;
        }
        if (lineFeed < 0) break;
        lineStart = lineFeed + 1;
    }
    return found;
}

bool fieldEquals(const char* header, int length, const char* field, const char* value) {
    int start = 0;
    int size = 0;
    if (fieldValue(header, length, field, start, size) != Field::once) return false;
    return static_cast<size_t>(size) == std::strlen(value) && std::memcmp(header + start, value, std::strlen(value)) == 0;
}

bool readRequestLine(const char* header, int length, RequestLine& line) {
    int pos = 0;
    bool fits = readToken(header, length, pos, line.method, sizeof line.method);
    fits = readToken(header, length, pos, line.path, sizeof line.path) && fits;
    fits = readToken(header, length, pos, line.version, sizeof line.version) && fits;
    return fits;
}

}  // namespace request
