// Conversion of code page 932 names to the UTF-8 names of the system.
#pragma once

#include <string>

namespace platform::posix {

// Converts in between two iconv encodings; false when in has no such form.
bool convert(const char* from, const char* to, const std::string& in, std::string& out);
// The system name of a code page 932 path: UTF-8, with every \ turned into /.
// A trail byte 0x5C of a double-byte character is not a separator.
std::string systemName(const char* path);
// The code page 932 form of a UTF-8 name; false when it has no such form.
bool windowsName(const char* utf8, std::string& out);
// UTF-8 text of a code page 932 text (for messages on standard error).
std::string utf8Text(const char* text);

}  // namespace platform::posix
