# The Windows release: Help.chm compiled from docs/help beside the program,
# and sketchhaven-VERSION-win64.zip (or -win32) holding the program, the
# guide, the read-me, the licence and the notices of the libraries linked in.
find_program(CHMCMD chmcmd REQUIRED)
find_program(ICONV iconv REQUIRED)

# The guide. Its pages are UTF-8; the project and the contents, which the
# help viewer reads in the guide's language (Japanese), become code page 932.
set(help_sources ja.html en.html help.css Help.hhp contents.hhc)
set(help_stage ${CMAKE_BINARY_DIR}/help)
set(help_pictures painter.png save.png gallery.png)  # of docs/screenshots, at 96 DPI
set(help_inputs)
foreach(name ${help_sources})
  list(APPEND help_inputs ${PROJECT_SOURCE_DIR}/docs/help/${name})
endforeach()
foreach(name ${help_pictures})
  list(APPEND help_inputs ${PROJECT_SOURCE_DIR}/docs/screenshots/${name})
endforeach()
file(MAKE_DIRECTORY ${help_stage})
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/Help.chm
  COMMAND ${CMAKE_COMMAND} -E copy ${help_inputs} ${help_stage}
  COMMAND ${ICONV} -f UTF-8 -t CP932 -o ${help_stage}/Help.hhp ${PROJECT_SOURCE_DIR}/docs/help/Help.hhp
  COMMAND ${ICONV} -f UTF-8 -t CP932 -o ${help_stage}/contents.hhc ${PROJECT_SOURCE_DIR}/docs/help/contents.hhc
  COMMAND ${CHMCMD} --no-html-scan Help.hhp > chmcmd.log 2>&1
  COMMAND ${CMAKE_COMMAND} -E copy ${help_stage}/Help.chm ${CMAKE_BINARY_DIR}/Help.chm
  WORKING_DIRECTORY ${help_stage}
  DEPENDS ${help_inputs}
  COMMENT "Compiling Help.chm")
add_custom_target(help_chm ALL DEPENDS ${CMAKE_BINARY_DIR}/Help.chm)

# The release zip.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(release_arch win64)
else()
  set(release_arch win32)
endif()
set(release_name sketchhaven-${PROJECT_VERSION}-${release_arch})
set(release_zip ${CMAKE_BINARY_DIR}/${release_name}.zip)
# zlib's licence from its Debian package, libjpeg-turbo's (and the IJG's)
# from the source package the set-up script builds it from.
set(zlib_copyright /usr/share/doc/libz-mingw-w64-dev/copyright)
set(jpeg_source ${PROJECT_SOURCE_DIR}/build/deps/src/libjpeg)
set(release_inputs ${PROJECT_SOURCE_DIR}/docs/release/readme.txt ${PROJECT_SOURCE_DIR}/LICENSE
    ${zlib_copyright} ${jpeg_source}/LICENSE.md ${jpeg_source}/README.ijg)
add_custom_command(OUTPUT ${release_zip}
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:sketchhaven> -DHELP=${CMAKE_BINARY_DIR}/Help.chm
          -DSOURCE=${PROJECT_SOURCE_DIR} -DZLIB_COPYRIGHT=${zlib_copyright} -DJPEG_SOURCE=${jpeg_source}
          -DVERSION=${PROJECT_VERSION} -DARCH=${release_arch} -DNAME=${release_name}
          -DSTAGE=${CMAKE_BINARY_DIR}/release -DZIP=${release_zip}
          -P ${PROJECT_SOURCE_DIR}/cmake/make_zip.cmake
  DEPENDS sketchhaven ${CMAKE_BINARY_DIR}/Help.chm ${release_inputs} ${PROJECT_SOURCE_DIR}/cmake/make_zip.cmake
  COMMENT "Packing ${release_name}.zip")
add_custom_target(release_zip ALL DEPENDS ${release_zip})
set(SKETCHHAVEN_RELEASE_ZIP ${release_zip})
