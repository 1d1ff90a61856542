# Fails the configuration when the C++ compiler does not turn a narrow literal
# into Shift_JIS bytes with the given flags: a compiler that ignores
# -fexec-charset would build a program whose Japanese texts are UTF-8.
include(CheckCXXSourceCompiles)

function(sketchhaven_require_code_page flags)
  string(REPLACE ";" " " CMAKE_REQUIRED_FLAGS "${flags}")
  # "保存" in code page 932 is 95 DB 91 B6.
  check_cxx_source_compiles([=[
    constexpr char text[] = "保存";
    static_assert(sizeof text == 5, "length");
    static_assert(static_cast<unsigned char>(text[0]) == 0x95 && static_cast<unsigned char>(text[1]) == 0xDB &&
                  static_cast<unsigned char>(text[2]) == 0x91 && static_cast<unsigned char>(text[3]) == 0xB6,
                  "bytes");
    int main() { return 0; }
  ]=] SKETCHHAVEN_LITERALS_ARE_CP932)
  if(NOT SKETCHHAVEN_LITERALS_ARE_CP932)
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} (${CMAKE_CXX_COMPILER_ID}) does not compile narrow literals "
                        "to code page 932 with ${flags}: the program's texts would be wrong. Use g++ "
                        "(the presets name it).")
  endif()
endfunction()
