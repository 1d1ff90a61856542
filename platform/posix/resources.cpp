// The resource lookup of the native build, over the tables of
// resource_tables.h.
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/resource_tables.h"

namespace platform {
namespace {

const posix::TextEntry* find(const posix::TextEntry* table, size_t count, int id) {
    for (size_t i = 0; i < count; ++i) {
        if (table[i].id == id) return &table[i];
    }
    return nullptr;
}

}  // namespace

bool textResource(int id, const char*& data, size_t& size) {
    const posix::TextEntry* found = find(posix::textResources, posix::textResourceCount, id);
    if (!found) return false;
    data = found->text;
    size = std::strlen(found->text) + 1;
    return true;
}

size_t stringResource(int id, char* out, size_t capacity) {
    const posix::TextEntry* found = find(posix::stringResources, posix::stringResourceCount, id);
    if (!found) return 0;
    size_t n = std::strlen(found->text);
    if (n > capacity) n = capacity;
    std::memcpy(out, found->text, n);
    out[n] = '\0';
    return n;
}

}  // namespace platform
