# Turns a UTF-8 text with LF line ends into its Shift_JIS bytes with CR LF
# line ends and a terminating NUL: the form of the program's TEXT resources.
# Called as cmake -DINPUT=... -DOUTPUT=... [-DSYMBOL=...] [-DRAW=1] -P embed.cmake;
# with SYMBOL it writes a C++ array of those bytes instead of the raw bytes;
# with RAW the bytes are taken as they are (the painter's script), only the
# NUL added.
if(RAW)
  file(READ ${INPUT} hex HEX)
else()
  execute_process(COMMAND iconv -f UTF-8 -t CP932 ${INPUT} OUTPUT_VARIABLE sjis RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "iconv failed on ${INPUT}")
  endif()
  string(REPLACE "\n" "\r\n" sjis "${sjis}")
  file(WRITE ${OUTPUT}.tmp "${sjis}")
  file(READ ${OUTPUT}.tmp hex HEX)
  file(REMOVE ${OUTPUT}.tmp)
endif()
string(APPEND hex "00")
if(SYMBOL)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  file(WRITE ${OUTPUT} "extern const char ${SYMBOL}[];\nconst char ${SYMBOL}[] = {${bytes}};\n")
else()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  # file(WRITE) cannot write raw NUL bytes from a string; write with printf.
  execute_process(COMMAND printf "${escaped}" OUTPUT_FILE ${OUTPUT})
endif()
