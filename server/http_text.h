// Header texts of the static responder.
#pragma once

#include "app/file_handle.h"
#include "app/text_buffer.h"
#include "platform/platform.h"

// "Sun, 06 Nov 1994 08:49:37 GMT" and CR LF, for a time in 100-nanosecond
// ticks since 1601-01-01 UTC.
void formatHttpDate(platform::FileTime ticks, TextBuffer& out);
// The date text of the file's last-write time, or of the current time when
// file is null or its times cannot be read.
void httpDate(FileHandle* file, TextBuffer& out);
// "Content-Type: " and the type of the text after the path's last ".", the
// extension compared in any letter case, and CR LF.
void contentTypeLine(const char* path, TextBuffer& out);
