// Profile files ([Section] / Key=Value lines) on POSIX systems, read and
// written the way the Windows profile services do: section and key names
// without regard to letter case, blanks around names and values ignored,
// quotes around a value removed, CR LF line ends, and the first of several
// equal sections or keys taken.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

constexpr uint64_t largestProfile = 4u << 20;  // larger files read as empty

struct Line {
    std::string text;
};

std::vector<Line> readLines(const char* path) {
    std::vector<Line> lines;
    NativeFile* file = openRead(path);
    if (!file) return lines;
    std::string all;
    uint64_t size = fileSize(file);
    if (size <= largestProfile) {
        all.resize(static_cast<size_t>(size));
        all.resize(readFile(file, all.data(), static_cast<uint32_t>(all.size())));
    }
    closeFile(file);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::string text = all.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines.push_back({text});
        start = end + 1;
    }
    return lines;
}

bool writeLines(const char* path, const std::vector<Line>& lines) {
    std::string all;
    for (const Line& line : lines) all += line.text + "\r\n";
    NativeFile* file = createWrite(path);
    if (!file) return false;
    bool ok = writeFile(file, all.data(), static_cast<uint32_t>(all.size())) == all.size();
    return closeFile(file) && ok;
}

std::string trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool sameName(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x < 0x80) x = static_cast<unsigned char>(std::tolower(x));
        if (y < 0x80) y = static_cast<unsigned char>(std::tolower(y));
        if (x != y) return false;
    }
    return true;
}

// The name of a section header line, or false when the line is none.
bool sectionName(const std::string& line, std::string& name) {
    std::string t = trimmed(line);
    if (t.size() < 2 || t.front() != '[') return false;
    size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = trimmed(t.substr(1, close - 1));
    return true;
}

// Splits a key line; false for comments, blank lines and lines without '='.
bool keyLine(const std::string& line, std::string& key, std::string& value) {
    std::string t = trimmed(line);
    if (t.empty() || t.front() == ';') return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = trimmed(t.substr(0, eq));
    value = trimmed(t.substr(eq + 1));
    return true;
}

struct Span {
    size_t header;  // index of the section line, or npos
    size_t end;     // one past its last line
};

Span findSection(const std::vector<Line>& lines, const char* section) {
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!sectionName(lines[i].text, name) || !sameName(name, section)) continue;
        size_t end = i + 1;
        while (end < lines.size() && !sectionName(lines[end].text, name)) ++end;
        return {i, end};
    }
    return {std::string::npos, lines.size()};
}

bool findValue(const char* section, const char* key, const char* path, std::string& value) {
    std::vector<Line> lines = readLines(path);
    Span span = findSection(lines, section);
    if (span.header == std::string::npos) return false;
    std::string k;
    for (size_t i = span.header + 1; i < span.end; ++i) {
        if (keyLine(lines[i].text, k, value) && sameName(k, key)) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return true;
        }
    }
    return false;
}

}  // namespace

int32_t profileInt(const char* section, const char* key, int32_t fallback, const char* path) {
    std::string value;
    if (!findValue(section, key, path, value) || value.empty()) return fallback;
    const char* p = value.c_str();
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    uint32_t n = 0;
    for (; *p >= '0' && *p <= '9'; ++p) n = n * 10u + static_cast<uint32_t>(*p - '0');
    return static_cast<int32_t>(negative ? 0u - n : n);
}

size_t profileText(const char* section, const char* key, const char* fallback, char* out, size_t size,
                   const char* path) {
    if (size == 0) return 0;
    std::string value;
    if (!findValue(section, key, path, value)) value = trimmed(fallback ? fallback : "");
    size_t n = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return n;
}

bool writeProfileText(const char* section, const char* key, const char* value, const char* path) {
    std::vector<Line> lines = readLines(path);
    Span span = findSection(lines, section);
    if (!key) {  // erase the whole section
        if (span.header == std::string::npos) return true;
        lines.erase(lines.begin() + static_cast<long>(span.header), lines.begin() + static_cast<long>(span.end));
        return writeLines(path, lines);
    }
    if (span.header == std::string::npos) {
        if (!value) return true;
        lines.push_back({std::string("[") + section + "]"});
        span = {lines.size() - 1, lines.size()};
    }
    std::string k, v;
    for (size_t i = span.header + 1; i < span.end; ++i) {
        if (!keyLine(lines[i].text, k, v) || !sameName(k, key)) continue;
        if (value) {
            lines[i].text = std::string(key) + "=" + value;
        } else {
            lines.erase(lines.begin() + static_cast<long>(i));
        }
        return writeLines(path, lines);
    }
    if (!value) return true;
    size_t at = span.end;  // after the section's last non-blank line
    while (at > span.header + 1 && trimmed(lines[at - 1].text).empty()) --at;
    lines.insert(lines.begin() + static_cast<long>(at), {std::string(key) + "=" + value});
    return writeLines(path, lines);
}

}  // namespace platform
