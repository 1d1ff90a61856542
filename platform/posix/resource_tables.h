// The program's resources in the native build, compiled from the same texts
// the Windows build carries in its resource section (resources/).
#pragma once

#include <cstddef>

namespace platform::posix {

struct TextEntry {
    int id;
    const char* text;  // NUL-terminated; the NUL is part of the resource
};

extern const TextEntry textResources[];
extern const size_t textResourceCount;
extern const TextEntry stringResources[];
extern const size_t stringResourceCount;

}  // namespace platform::posix
