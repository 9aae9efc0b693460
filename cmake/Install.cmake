# Install rules: the programs in bin/, their data in share/peekstun/data, and
# what a desktop needs to show them in its menus (the desktop entry, icons in
# the hicolor theme, AppStream metadata) with manual pages and the package's
# documents. The install prefix (CMAKE_INSTALL_PREFIX, or --prefix at install
# time) and DESTDIR are honoured; the programs find the data relative to
# themselves.

# The release date (CMakeLists.txt) as the Debian changelog writes it,
# "Tue, 08 Dec 2026 12:00:00 +0000"; the weekday by Sakamoto's method.
function(peekstun_rfc2822_date iso output)
  if(NOT iso MATCHES "^([0-9][0-9][0-9][0-9])-([0-9][0-9])-([0-9][0-9])$")
    message(FATAL_ERROR "PEEKSTUN_RELEASE_DATE is \"${iso}\", not YYYY-MM-DD")
  endif()
  set(year ${CMAKE_MATCH_1})
  math(EXPR month "1${CMAKE_MATCH_2} - 100")
  set(day ${CMAKE_MATCH_3})
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${month} - 1")
  list(GET offsets ${index} offset)
  set(y ${year})
  if(month LESS 3)
    math(EXPR y "${year} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + 1${day} - 100) % 7")
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} weekdayName)
  list(GET months ${index} monthName)
  set(${output} "${weekdayName}, ${day} ${monthName} ${year} 12:00:00 +0000" PARENT_SCOPE)
endfunction()
peekstun_rfc2822_date(${PEEKSTUN_RELEASE_DATE} PEEKSTUN_RELEASE_DATE_RFC2822)

# The package's maintainer, who must be reachable at an address (Debian asks
# for one; make deb stops without it): -DPEEKSTUN_MAINTAINER="Name <address>",
# else whoever builds, as dch names them from DEBFULLNAME and DEBEMAIL, else
# the author of the commit the checkout is at.
if(NOT PEEKSTUN_MAINTAINER)
  if(DEFINED ENV{DEBFULLNAME})
    set(PEEKSTUN_MAINTAINER "$ENV{DEBFULLNAME}")
  else()
    set(PEEKSTUN_MAINTAINER "The Peekstun developers")
  endif()
  if(DEFINED ENV{DEBEMAIL})
    string(APPEND PEEKSTUN_MAINTAINER " <$ENV{DEBEMAIL}>")
  else()
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(COMMAND ${GIT_EXECUTABLE} -C ${CMAKE_SOURCE_DIR} log -1 "--format=%an <%ae>"
                      OUTPUT_VARIABLE PEEKSTUN_COMMIT_AUTHOR OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(PEEKSTUN_COMMIT_AUTHOR MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
        set(PEEKSTUN_MAINTAINER "${PEEKSTUN_COMMIT_AUTHOR}")
      endif()
    endif()
  endif()
endif()

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
