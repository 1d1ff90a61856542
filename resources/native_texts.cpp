// The native build's tables of the program's texts: the string table, the two
// HTML heads (made from draw_head.html and anim_head.html at build time) and
// the built-in painter's script.
#include "platform/posix/resource_tables.h"
#include "platform/text_ids.h"

extern const char draw_head_bytes[];
extern const char anim_head_bytes[];
extern const char painter_script_bytes[];

namespace platform::posix {

const TextEntry textResources[] = {{IDR_DRAW_HEAD, draw_head_bytes}, {IDR_ANIM_HEAD, anim_head_bytes},
                                   {IDR_PAINTER_SCRIPT, painter_script_bytes}};
const size_t textResourceCount = sizeof textResources / sizeof textResources[0];

#define SKETCHHAVEN_STRING(id, text) {id, text},
const TextEntry stringResources[] = {
#include "resources/strings.inc"
};
#undef SKETCHHAVEN_STRING
const size_t stringResourceCount = sizeof stringResources / sizeof stringResources[0];

}  // namespace platform::posix
