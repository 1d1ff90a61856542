// The ids of the program's own TEXT resources, which textResource finds:
// shared by texts.rc, the native build's tables and the pages that write them.
#pragma once

#define IDR_DRAW_HEAD 117
#define IDR_ANIM_HEAD 118
// The built-in painter's script, served by the local server.
#define IDR_PAINTER_SCRIPT 119
