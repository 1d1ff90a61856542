# The folders of the program and what each may include: the build stops at
# configure time when a source includes a header of a folder above its own.
#   platform <- app <- {image, server} <- {pages, save} <- ui <- program
# resources/ sits beside app: the texts, on the platform only; nothing
# includes it (the resource ids live in platform/text_ids.h).
set(sketchhaven_layers
  "platform:platform"
  "resources:platform resources"
  "app:platform app"
  "image:platform app image"
  "server:platform app server"
  "pages:platform app image pages"
  "save:platform app image save"
  "ui:platform app image server pages save ui"
  "program:platform app image server pages save ui program")

foreach(entry ${sketchhaven_layers})
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 folder)
  list(GET parts 1 allowed)
  string(REPLACE " " ";" allowed "${allowed}")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" included "${line}")
      if(NOT included IN_LIST allowed)
        file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${source})
        message(FATAL_ERROR "${name} includes ${included}/, which ${folder}/ may not include")
      endif()
    endforeach()
  endforeach()
endforeach()
