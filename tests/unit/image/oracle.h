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

// ImageMagick's output for a file, converted by the options given ("" when
// it fails).
inline std::string magick(const std::string& path, const std::string& options) {
    std::string out;
    return run("/usr/bin/convert '" + path + "' " + options, &out) == 0 ? out : "";
}

// The decode as 8-bit red, green, blue, rows top first (alpha dropped, not
// blended), and the transparency alone, 0 for transparent, 255 for opaque.
inline std::string magickRgb(const std::string& path) { return magick(path, "-alpha off -depth 8 rgb:-"); }
inline std::string magickAlpha(const std::string& path) { return magick(path, "-alpha extract -depth 8 gray:-"); }

}  // namespace oracle

#endif
