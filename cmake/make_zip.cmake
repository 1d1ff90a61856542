# Packs the release folder NAME into ZIP (run by cmake -P from release.cmake).
# Texts get Windows line ends; the read-me a byte-order mark, so that every
# Notepad reads it as UTF-8. The version line keeps @VAR@ in quoted texts
# literal (older policies would expand it).
cmake_minimum_required(VERSION 3.25)
set(folder ${STAGE}/${NAME})
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${folder})
file(COPY ${PROGRAM} ${HELP} DESTINATION ${folder})

function(read_text path out)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "missing ${path}: run scripts/setup.sh")
  endif()
  file(READ ${path} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(write_text path text)
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${path} "${text}")
endfunction()

read_text(${SOURCE}/docs/release/readme.txt readme)
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" readme "${readme}")
string(REPLACE "@ARCH@" "${ARCH}" readme "${readme}")
string(ASCII 239 187 191 bom)
write_text(${folder}/readme.txt "${bom}${readme}")

read_text(${SOURCE}/LICENSE licence)
write_text(${folder}/LICENSE.txt "${licence}")

read_text(${ZLIB_COPYRIGHT} zlib)
read_text(${JPEG_SOURCE}/LICENSE.md jpeg)
read_text(${JPEG_SOURCE}/README.ijg ijg)
set(rule "================================================================================")
write_text(${folder}/THIRD-PARTY-NOTICES.txt
"sketchhaven.exe contains two libraries, linked in statically: zlib and
libjpeg-turbo. Their licences follow.

This software is based in part on the work of the Independent JPEG Group.

${rule}
zlib (Debian package libz-mingw-w64-dev, copyright file)
${rule}

${zlib}
${rule}
libjpeg-turbo: LICENSE.md
${rule}

${jpeg}
${rule}
libjpeg-turbo: README.ijg (the Independent JPEG Group's licence)
${rule}

${ijg}")

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${NAME}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not pack ${ZIP}")
endif()
