# make deb: a Debian package made by CPack from the build tree that is already
# built, through the install rules (cmake/Install.cmake) with the prefix /usr.
# dpkg-shlibdeps computes the dependencies from the installed programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME peekstun)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Peekstun developers")
set(CPACK_PACKAGE_CONTACT "${PEEKSTUN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audio-visual show with tracker music")
set(CPACK_PACKAGE_DESCRIPTION
    "Peekstun plays a tracker music module and, in time with it, draws eight
software-rendered scenes (plasma, tunnels, a flower, sprites, noise and
scrollers) into a 320 x 240 frame, full screen or in a window. A small
configuration dialog comes first; the same choices can be given on the
command line.

The package also holds peekstun-render, which renders the show offline to
PNG frames, a WAV file or a video.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # peekstun_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PEEKSTUN_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The player's bar writes its words in this font; without one it draws no words.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Directories the package creates are 0755 whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/check_maintainer.cmake)

include(CPack)
