// Conversion between code page 932 texts and the UTF-16 of the system.
#pragma once

#include <string>

namespace platform::win32 {

std::wstring wide(const char* text);
std::string narrow(const wchar_t* text);

}  // namespace platform::win32
