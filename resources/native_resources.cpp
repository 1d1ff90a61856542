// The program's resources in the native build: the same texts the Windows
// build carries in its resource section.
#include <cstring>

#include "platform/platform.h"

extern const char draw_head_bytes[];
extern const char anim_head_bytes[];

namespace platform {

bool textResource(int id, const char*& data, size_t& size) {
    const char* found = id == 117 ? draw_head_bytes : id == 118 ? anim_head_bytes : nullptr;
    if (!found) return false;
    data = found;
    size = std::strlen(found) + 1;
    return true;
}

size_t stringResource(int id, char* out, size_t capacity) {
    struct Entry {
        int id;
        const char* text;
    };
#define SKETCHHAVEN_STRING(id, text) {id, text},
    static const Entry table[] = {
#include "resources/strings.inc"
    };
#undef SKETCHHAVEN_STRING
    for (const Entry& e : table) {
        if (e.id != id) continue;
        size_t n = std::strlen(e.text);
        if (n > capacity) n = capacity;
        std::memcpy(out, e.text, n);
        out[n] = '\0';
        return n;
    }
    return 0;
}

}  // namespace platform
