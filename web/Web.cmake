# The browser build (make web): the show's core with the web backends,
# compiled to WebAssembly, its page and its data packed beside it. The data
# comes from a native build's data/; the sound decoder compiled for the web
# comes from the pinned npm package installed by make web-deps (npm ci).
set(PEEKSTUN_WEB_DATA "" CACHE PATH "A native build directory holding data/")
set(PEEKSTUN_SITE_URL "" CACHE STRING "The address the site is served at (https://.../), for absolute links in its tags")
if(NOT EXISTS ${PEEKSTUN_WEB_DATA}/data/music/peekstun.xm)
  message(FATAL_ERROR "PEEKSTUN_WEB_DATA must name a native build with data/ (make web does this)")
endif()
set(WEB_DECODER ${CMAKE_CURRENT_LIST_DIR}/node_modules/chiptune3)
if(NOT EXISTS ${WEB_DECODER}/libopenmpt.worklet.js)
  message(FATAL_ERROR "The sound decoder for the web is not installed: run npm ci in ${CMAKE_CURRENT_LIST_DIR} (make web-deps)")
endif()

# Errors travel as exceptions; the show's waits hand the browser its thread back.
# The compiler's straight-line vectoriser is off: with WebAssembly's vector
# instructions it turned the 3D tunnel's four corner rays into NaN (frames
# 1750 to 2360 of the golden run), so frames differed from every other build.
target_compile_options(peekstun_core PUBLIC -fexceptions -fno-slp-vectorize)

add_executable(peekstun-web ${CMAKE_CURRENT_LIST_DIR}/main.cpp ${CMAKE_CURRENT_LIST_DIR}/scene_times.cpp
  ${CMAKE_CURRENT_LIST_DIR}/player_calls.cpp)
target_link_libraries(peekstun-web PRIVATE peekstun_core)
set_target_properties(peekstun-web PROPERTIES
  OUTPUT_NAME peekstun SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  LINK_DEPENDS "${PEEKSTUN_WEB_DATA}/data/.forged;${CMAKE_CURRENT_LIST_DIR}/sound.js;${CMAKE_CURRENT_LIST_DIR}/player.js;${CMAKE_CURRENT_LIST_DIR}/media_controls.js")
target_link_options(peekstun-web PRIVATE
  -fexceptions
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864
  -sENVIRONMENT=web
  "SHELL:--pre-js ${CMAKE_CURRENT_LIST_DIR}/sound.js"
  "SHELL:--pre-js ${CMAKE_CURRENT_LIST_DIR}/player.js"
  "SHELL:--pre-js ${CMAKE_CURRENT_LIST_DIR}/media_controls.js"
  "SHELL:--exclude-file */.forged"
  "SHELL:--preload-file ${PEEKSTUN_WEB_DATA}/data@/data")

configure_file(${CMAKE_CURRENT_LIST_DIR}/sound-worklet.js ${CMAKE_BINARY_DIR}/sound-worklet.js COPYONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/song-decoder.js ${CMAKE_BINARY_DIR}/song-decoder.js COPYONLY)
configure_file(${WEB_DECODER}/libopenmpt.worklet.js ${CMAKE_BINARY_DIR}/libopenmpt.worklet.js COPYONLY)
configure_file(${WEB_DECODER}/LICENSE ${CMAKE_BINARY_DIR}/libopenmpt.worklet.LICENSE COPYONLY)
# The page's icon is the desktop's, painted by the native build.
if(EXISTS ${PEEKSTUN_WEB_DATA}/icons/hicolor/32x32/apps/peekstun.png)
  configure_file(${PEEKSTUN_WEB_DATA}/icons/hicolor/32x32/apps/peekstun.png ${CMAKE_BINARY_DIR}/peekstun.png COPYONLY)
endif()

# The page around the program (web/build-site.mjs): index.html with the
# launcher's form painted from the native build's peekstun-launcher-face, the
# manifest, icons and still, the service worker and the compressed copies.
find_program(PEEKSTUN_NODE node REQUIRED)
set(SITE_STAMP ${CMAKE_BINARY_DIR}/site.stamp)
add_custom_command(
  OUTPUT ${SITE_STAMP}
  COMMAND ${PEEKSTUN_NODE} ${CMAKE_CURRENT_LIST_DIR}/build-site.mjs ${CMAKE_BINARY_DIR} ${PEEKSTUN_WEB_DATA}
          "${PEEKSTUN_SITE_URL}"
  COMMAND ${CMAKE_COMMAND} -E touch ${SITE_STAMP}
  DEPENDS peekstun-web ${CMAKE_CURRENT_LIST_DIR}/build-site.mjs ${CMAKE_CURRENT_LIST_DIR}/site-files.mjs
          ${CMAKE_CURRENT_LIST_DIR}/index.html ${CMAKE_CURRENT_LIST_DIR}/dialogs.js
          ${CMAKE_CURRENT_LIST_DIR}/service-worker.js ${CMAKE_CURRENT_LIST_DIR}/sound-worklet.js
          ${CMAKE_CURRENT_LIST_DIR}/song-decoder.js ${PEEKSTUN_WEB_DATA}/peekstun-launcher-face
          ${PEEKSTUN_WEB_DATA}/peekstun-render ${PEEKSTUN_WEB_DATA}/icons/.painted
  COMMENT "Writing the page, its manifest, service worker and compressed copies")
add_custom_target(site ALL DEPENDS ${SITE_STAMP})
