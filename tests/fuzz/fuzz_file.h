// What the fuzz targets share: a failed check ends the run, and the readers
// and writers that take a path get files of this process in $TMPDIR (or
// /tmp).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

inline void require(bool condition) {
    if (!condition) std::abort();
}

// A path of this process ending in extension.
inline std::string fuzzPath(const char* extension) {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/sh-fuzz-" + std::to_string(getpid()) + extension;
}

// The input written to a file; its path.
inline const char* fuzzFile(const uint8_t* data, size_t size) {
    static const std::string path = fuzzPath(".bin");
    FILE* f = std::fopen(path.c_str(), "wb");
    require(f && (!size || std::fwrite(data, 1, size, f) == size));
    std::fclose(f);
    return path.c_str();
}
