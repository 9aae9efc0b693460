# Install rules: the programs in bin/, their data in share/peekstun/data, and
# what a desktop needs to show them in its menus (the desktop entry, icons in
# the hicolor theme, AppStream metadata) with manual pages and the package's
# documents. The install prefix (CMAKE_INSTALL_PREFIX, or --prefix at install
# time) and DESTDIR are honoured; the programs find the data relative to
# themselves.

# The release these files describe: update the date with the version.
set(PEEKSTUN_RELEASE_DATE "2026-12-08")
set(PEEKSTUN_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")
set(PEEKSTUN_MAINTAINER "Peekstun developers <peekstun@example.org>"
    CACHE STRING "The package's maintainer, as \"Name <address>\"")
set(PEEKSTUN_SCREENSHOT_URL "https://example.org/peekstun/screenshot.png"
    CACHE STRING "Where the software centres' screenshot of the show is published")

set(PEEKSTUN_APP_ID org.quillmere.peekstun)
set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PACKAGING_BUILD_DIR ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS peekstun peekstun-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The data tool's output: the data target builds it with everything else.
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/gfx ${CMAKE_BINARY_DIR}/data/music ${CMAKE_BINARY_DIR}/data/textures
        DESTINATION ${CMAKE_INSTALL_DATADIR}/peekstun/data)

install(FILES ${PACKAGING_DIR}/${PEEKSTUN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PACKAGING_DIR}/${PEEKSTUN_APP_ID}.metainfo.xml.in
               ${PACKAGING_BUILD_DIR}/${PEEKSTUN_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PACKAGING_BUILD_DIR}/${PEEKSTUN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# peekstun-icon paints icons/hicolor/ in the build tree.
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# Manual pages and the changelog are installed compressed, as man and the
# package tools expect; gzip -n keeps the files free of timestamps.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(COMPRESSED_DOCS "")
function(peekstun_compressed_doc template output)
  configure_file(${template} ${PACKAGING_BUILD_DIR}/${output} @ONLY)
  add_custom_command(
    OUTPUT ${PACKAGING_BUILD_DIR}/${output}.gz
    COMMAND ${GZIP_PROGRAM} -9 -n -f -k ${PACKAGING_BUILD_DIR}/${output}
    DEPENDS ${PACKAGING_BUILD_DIR}/${output}
    COMMENT "Compressing ${output}")
  set(COMPRESSED_DOCS ${COMPRESSED_DOCS} ${PACKAGING_BUILD_DIR}/${output}.gz PARENT_SCOPE)
endfunction()
peekstun_compressed_doc(${PACKAGING_DIR}/man/peekstun.1 peekstun.1)
peekstun_compressed_doc(${PACKAGING_DIR}/man/peekstun-render.1 peekstun-render.1)
peekstun_compressed_doc(${PACKAGING_DIR}/changelog.in changelog)
add_custom_target(compressed_docs ALL DEPENDS ${COMPRESSED_DOCS})
install(FILES ${PACKAGING_BUILD_DIR}/peekstun.1.gz ${PACKAGING_BUILD_DIR}/peekstun-render.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PACKAGING_DIR}/copyright ${PACKAGING_BUILD_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# An install into a scratch directory, run from elsewhere, finds its data.
add_test(NAME installed_programs_find_their_data
         COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-install.sh ${CMAKE_BINARY_DIR})
