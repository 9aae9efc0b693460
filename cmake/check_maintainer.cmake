# Run by CPack before it makes the package: Debian asks for a maintainer who
# can be reached, "Name <address>" (cmake/Install.cmake says where it comes from).
if(NOT CPACK_DEBIAN_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
  message(FATAL_ERROR
    "The package's maintainer is \"${CPACK_DEBIAN_PACKAGE_MAINTAINER}\", without an address: "
    "set DEBEMAIL (and DEBFULLNAME) and configure again, or configure with "
    "-DPEEKSTUN_MAINTAINER=\"Name <address>\".")
endif()
