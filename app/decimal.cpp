#include "app/decimal.h"

namespace decimal {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool scan(const char*& text, int32_t& value) {
    const char* p = text;
    while (isBlank(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!isDigit(*p)) return false;
    // Accumulates the magnitude up to one past INT32_MAX, enough for INT32_MIN.
    constexpr int64_t limit = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (; isDigit(*p); ++p) {
        if (magnitude < limit) magnitude = magnitude * 10 + (*p - '0');
    }
    if (magnitude > limit) magnitude = limit;
    int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int32_t>(signedValue > INT32_MAX ? INT32_MAX : signedValue);
    text = p;
    return true;
}

int32_t valueOf(const char* text) {
    int32_t value = 0;
    return scan(text, value) ? value : 0;
}

uint32_t digitsValue(const char* text) {
    uint32_t value = 0;
    for (const char* p = text; isDigit(*p); ++p) {
        uint32_t digit = static_cast<uint32_t>(*p - '0');
        value = value > (UINT32_MAX - digit) / 10 ? UINT32_MAX : value * 10 + digit;
    }
    return value;
}

bool scanPair(const char* text, char separator, int32_t& first, int32_t& second) {
    int32_t a = 0, b = 0;
    if (!scan(text, a) || *text != separator) return false;
    ++text;
    if (!scan(text, b)) return false;
    first = a;
    second = b;
    return true;
}

}  // namespace decimal
