// Reading of received request headers. Every function works on a byte range
// [0, length) that need not be NUL-terminated and never reads past it.
#pragma once

#include <cstdint>

namespace request {

// A request header must end (CR LF CR LF) within this many bytes.
constexpr int headerCapacity = 4095;
// The largest POST body taken; any longer one is refused.
constexpr uint32_t maxBodyLength = 256u * 1024 * 1024;

// Index of the first needle in bytes[from, length), or -1.
int find(const char* bytes, int from, int length, const char* needle);
// Offset just past the first CR LF CR LF, or -1 while the header goes on.
int headerEnd(const char* bytes, int length);

enum class Method { get, post, other };
// By the first token of the request line, compared exactly.
Method methodOf(const char* header, int length);

enum class BodyLength { valid, missing, invalid };
// The value of the header's Content-Length line (field name in any letter
// case). Invalid: not a plain decimal number, larger than maxBodyLength, or
// a second such line with another value.
BodyLength bodyLength(const char* header, int length, uint32_t& value);

// text[0, n) equals word[0, n), ASCII letters in any case.
bool sameLetters(const char* text, const char* word, int n);

// How often the header holds a field (name in any letter case): the value
// of its only line, blanks around it dropped, is [start, start + size).
enum class Field { absent, once, repeated };
Field fieldValue(const char* header, int length, const char* field, int& start, int& size);
// The field occurs once and its value is exactly value.
bool fieldEquals(const char* header, int length, const char* field, const char* value);

// The three tokens of the request line (words separated by blanks), each
// NUL-terminated; a missing token is empty. The path has room for a query
// naming any file of a folder, its bytes percent-encoded.
struct RequestLine {
    char method[16];
    char path[2048];
    char version[32];
};
// False when a token is longer than its limit (15, 2047 or 31 characters).
bool readRequestLine(const char* header, int length, RequestLine& line);

}  // namespace request
