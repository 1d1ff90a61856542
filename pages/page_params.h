// Pieces of the generated pages: applet parameter lines, colours, the head
// texts of the program's resources, and the files of the program folder.
#pragma once

#include <cstdint>

#include "app/file_handle.h"
#include "app/text_buffer.h"

// Appends <param name="NAME" value="VALUE">\r\n with the text, or the number
// in decimal, as VALUE. False when the line could not be written whole.
bool writeParam(FileHandle& file, const char* name, const char* value);
bool writeParam(FileHandle& file, const char* name, int64_t value);


// Writes a "TEXT" resource of the program up to its terminating NUL, without
// the first occurrence of omitted when it is given.
void writeTextResource(FileHandle& file, int id, const char* omitted = nullptr);

// "#RRGGBB" of a colour stored red in the lowest byte (0x00BBGGRR).
void htmlColour(int32_t colour, TextBuffer& out);
