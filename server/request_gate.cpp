#include "server/request_gate.h"

#include <cstring>

namespace request {
namespace {

constexpr int maxPortDigits = 5;
const char localSuffix[] = ".local";

// text[0, length) equals word, ASCII letters in any case.
bool sameText(const char* text, int length, const char* word) {
    return static_cast<size_t>(length) == std::strlen(word) && sameLetters(text, word, length);
}

// A host as Host and Origin write it: a name or address, or an IPv6 address
// in brackets, then an optional ":" and port.
struct HostParts {
    const char* name = nullptr;
    int nameLength = 0;
    bool bracketed = false;
    bool hasPort = false;
    uint32_t port = 0;
    int portDigits = 0;
};

// False when the text is not of that form or the port is not at most five
// digits.
bool splitHost(const char* text, int length, HostParts& parts) {
    int end = 0;
    if (length > 0 && text[0] == '[') {
        const void* close = std::memchr(text, ']', static_cast<size_t>(length));
        if (!close) return false;
        end = static_cast<int>(static_cast<const char*>(close) - text) + 1;
        parts.name = text + 1;
        parts.nameLength = end - 2;
        parts.bracketed = true;
    } else {
        while (end < length && text[end] != ':') ++end;
        parts.name = text;
        parts.nameLength = end;
    }
    if (end == length) return true;
    if (text[end] != ':' || length - end - 1 > maxPortDigits) return false;
    parts.hasPort = true;
    for (int i = end + 1; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        parts.port = parts.port * 10 + static_cast<uint32_t>(text[i] - '0');
        ++parts.portDigits;
    }
    return true;
}

bool isMachineName(const char* name, int length, const char* machine) {
    int own = static_cast<int>(std::strlen(machine));
    if (own == 0) return false;
    if (sameText(name, length, machine)) return true;
    int suffix = static_cast<int>(sizeof localSuffix) - 1;
    return length == own + suffix && sameText(name, own, machine) && sameText(name + own, suffix, localSuffix);
}

bool isOwnName(const HostParts& host, const Site& site) {
    const char* name = host.name;
    int length = host.nameLength;
    bool ipv6Local = std::strchr(site.localAddress, ':') != nullptr;
    if (host.bracketed) {
        if (sameText(name, length, "::1")) return true;
        return site.openToNetwork && ipv6Local && sameText(name, length, site.localAddress);
    }
    if (sameText(name, length, "localhost") || sameText(name, length, "127.0.0.1")) return true;
    if (!site.openToNetwork) return false;
    if (!ipv6Local && site.localAddress[0] && sameText(name, length, site.localAddress)) return true;
    return isMachineName(name, length, site.machineName);
}

// No Host, or one Host that isOwnHost admits.
bool admitsHost(const char* header, int length, const Site& site) {
    int start = 0;
    int size = 0;
    Field host = fieldValue(header, length, "Host", start, size);
    return host == Field::absent || (host == Field::once && isOwnHost(header + start, size, site));
}

}  // namespace

bool isOwnHost(const char* host, int length, const Site& site) {
    HostParts parts;
    return splitHost(host, length, parts) && isOwnName(parts, site);
}

bool isOwnOrigin(const char* origin, int length, const Site& site) {
    const char scheme[] = "http://";
    int schemeLength = static_cast<int>(sizeof scheme) - 1;
    if (length < schemeLength || !sameText(origin, schemeLength, scheme)) return false;
    HostParts parts;
    if (!splitHost(origin + schemeLength, length - schemeLength, parts) || !isOwnName(parts, site)) return false;
    if (!parts.hasPort) return site.port == 80;
    return parts.portDigits > 0 && parts.port == site.port;
}

bool admits(const char* header, int length, Method method, const Site& site) {
    switch (method) {
    case Method::get: return admitsHost(header, length, site);
    case Method::post: return admitsFromOwnPages(header, length, site);
    case Method::other: return true;
    }
    return false;
}

bool admitsFromOwnPages(const char* header, int length, const Site& site) {
    if (!admitsHost(header, length, site)) return false;
    int start = 0;
    int size = 0;
    Field origin = fieldValue(header, length, "Origin", start, size);
    if (origin == Field::repeated || (origin == Field::once && !isOwnOrigin(header + start, size, site)))
        return false;
    Field fetchSite = fieldValue(header, length, "Sec-Fetch-Site", start, size);
    if (fetchSite == Field::absent) return true;
    return fetchSite == Field::once &&
           (sameText(header + start, size, "same-origin") || sameText(header + start, size, "none"));
}

}  // namespace request
