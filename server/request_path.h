// The one gate between a requested path and the file system.
#pragma once

#include "app/text_buffer.h"

// The file name a GET path asks for: the path without its leading "/", a name
// relative to the current folder, kept exactly as sent (no decoding; a query
// part stays part of the name). False, for the 404 answer, when the path
// does not start with "/" or when the name could reach outside the folder or
// a device: an empty name or segment ("//", a trailing "/"), a segment ending
// in "." or a blank (which covers "." and ".."; Windows drops such endings),
// a backslash, a colon (drive letters, streams), a control character or one
// of * ? " < > |, or a Windows device name (CON, PRN, AUX, NUL, COM0-9,
// LPT0-9, CONIN$, CONOUT$) in any letter case, with or without extension.
bool requestFileName(const char* path, TextBuffer& name);
