// Runs the command-line oracles (ImageMagick, pngcheck, giflib and libjpeg
// tools) and captures what they print. Native builds only.
#pragma once

#ifndef _WIN32

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace oracle {

// Runs a shell command; returns its exit code (-1 when it could not run) and
// its standard output in out.
inline int run(const std::string& command, std::string* out = nullptr) {
    FILE* pipe = popen((command + (out ? "" : " >/dev/null")).c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    int status = pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ImageMagick's decode of a file as 8-bit red, green, blue, rows top first
// (alpha dropped, not blended).
inline std::string magickRgb(const std::string& path) {
    std::string out;
    if (run("/usr/bin/convert '" + path + "' -alpha off -depth 8 rgb:-", &out) != 0) return "";
    return out;
}

// ImageMagick's decode of a file's transparency: one byte a pixel, 0 for
// transparent, 255 for opaque.
inline std::string magickAlpha(const std::string& path) {
    std::string out;
    if (run("/usr/bin/convert '" + path + "' -alpha extract -depth 8 gray:-", &out) != 0) return "";
    return out;
}

// ImageMagick's "width height" of a file.
inline std::string magickSize(const std::string& path) {
    std::string out;
    if (run("/usr/bin/identify -format '%w %h' '" + path + "'", &out) != 0) return "";
    return out;
}

}  // namespace oracle

#endif
