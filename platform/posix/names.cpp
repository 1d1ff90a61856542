#include "platform/posix/names.h"

#include <iconv.h>

#include <cstring>

#include "platform/platform.h"

namespace platform::posix {

bool convert(const char* from, const char* to, const std::string& in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.assign(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return false;
    out.resize(out.size() - dstLeft);
    return true;
}

namespace {

bool isLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

std::string systemName(const char* path) {
    std::string slashed;
    for (const char* p = path; *p; ++p) {
        if (isLead(static_cast<unsigned char>(*p)) && p[1]) {
            slashed += *p++;
            slashed += *p;
        } else {
            slashed += *p == '\\' ? '/' : *p;
        }
    }
    std::string out;
    return convert("CP932", "UTF-8", slashed, out) ? out : slashed;
}

bool windowsName(const char* utf8, std::string& out) { return convert("UTF-8", "CP932", utf8, out); }

std::string utf8Text(const char* text) {
    std::string out;
    return convert("CP932", "UTF-8", text, out) ? out : std::string(text);
}

}  // namespace platform::posix

namespace platform {

size_t utf8Text(const char* text, char* out, size_t capacity) {
    std::string converted;
    if (!*text || !posix::convert("CP932", "UTF-8", text, converted) || converted.size() >= capacity) return 0;
    std::memcpy(out, converted.data(), converted.size() + 1);
    return converted.size();
}

}  // namespace platform
