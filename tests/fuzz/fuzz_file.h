// Files of this fuzzing process, in $TMPDIR (or /tmp), for the readers and
// writers that take a path.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A path of this process ending in extension.
inline std::string fuzzPath(const char* extension) {
    const char* folder = std::getenv("TMPDIR");
    return std::string(folder && *folder ? folder : "/tmp") + "/sh-fuzz-" + std::to_string(getpid()) + extension;
}

// The input written to a file; its path.
inline const char* fuzzFile(const uint8_t* data, size_t size) {
    static const std::string path = fuzzPath(".bin");
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path.c_str();
}
