// The fuzz input as a file of this process, for the readers that take a path.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const char* fuzzFile(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/sh-fuzz-" + std::to_string(getpid()) + ".bin";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path.c_str();
}
