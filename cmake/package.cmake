# Installation and packages: the program, its manual, the licence, the
# changelog and the example BBS, as a Debian package or a Windows zip.

# Whoever publishes the package sets a real address here; the placeholder
# only marks a local build (lintian reports it as bogus-mail-host).
set(TESVAK_MAINTAINER "tesvak maintainers <tesvak@localhost>" CACHE STRING
    "Maintainer of the Debian package, as \"Name <address>\"")
set(placeholder_maintainer "tesvak maintainers <tesvak@localhost>")

include(GNUInstallDirs)
find_program(GROFF groff)

# The licence in the machine-readable Debian copyright format.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" grant)
string(SUBSTRING "${licence}" ${grant} -1 grant_text)
string(STRIP "${grant_text}" grant_text)
string(REGEX REPLACE "\n\n" "\n.\n" grant_text "${grant_text}")
string(REGEX REPLACE "\n" "\n " grant_text "${grant_text}")
file(WRITE ${CMAKE_BINARY_DIR}/copyright.new
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: tesvak

Files: *
Copyright: 2026 the tesvak authors
License: Expat
 ${grant_text}
")
configure_file(${CMAKE_BINARY_DIR}/copyright.new ${CMAKE_BINARY_DIR}/copyright COPYONLY)

# The changelog, signed by the package's maintainer.
file(READ ${CMAKE_SOURCE_DIR}/changelog changes)
string(REPLACE "${placeholder_maintainer}" "${TESVAK_MAINTAINER}" changes "${changes}")
file(WRITE ${CMAKE_BINARY_DIR}/changelog.new "${changes}")
configure_file(${CMAKE_BINARY_DIR}/changelog.new ${CMAKE_BINARY_DIR}/changelog COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/changelog)

if(WIN32)
  install(TARGETS tesvak RUNTIME DESTINATION .)  # the zip holds tesvak.exe at its top
  # Windows gets the texts with CR LF line ends.
  if(GROFF)
    add_custom_command(OUTPUT tesvak.txt
      COMMAND ${GROFF} -man -Tascii -P-cbou ${CMAKE_SOURCE_DIR}/doc/tesvak.1
              | sed "s/$/\r/" > tesvak.txt
      DEPENDS doc/tesvak.1 VERBATIM)
    add_custom_target(manual ALL DEPENDS tesvak.txt)
    install(FILES ${CMAKE_BINARY_DIR}/tesvak.txt DESTINATION .)
  endif()
  foreach(text LICENSE changelog)
    add_custom_command(OUTPUT ${text}.txt
      COMMAND sed "s/$/\r/" ${CMAKE_BINARY_DIR}/${text} > ${text}.txt
      DEPENDS ${CMAKE_BINARY_DIR}/${text} VERBATIM)
    install(FILES ${CMAKE_BINARY_DIR}/${text}.txt DESTINATION .)
  endforeach()
  configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE COPYONLY)
  add_custom_target(texts ALL DEPENDS LICENSE.txt changelog.txt)
  install(DIRECTORY examples/ DESTINATION examples PATTERN run.sh EXCLUDE PATTERN .keep EXCLUDE)
  install(DIRECTORY DESTINATION examples/out)
else()
  install(TARGETS tesvak RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  add_custom_command(OUTPUT tesvak.1.gz
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/doc/tesvak.1 > tesvak.1.gz
    DEPENDS doc/tesvak.1 VERBATIM)
  add_custom_command(OUTPUT changelog.gz
    COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/changelog > changelog.gz
    DEPENDS ${CMAKE_BINARY_DIR}/changelog VERBATIM)
  add_custom_target(manual ALL DEPENDS tesvak.1.gz changelog.gz)
  install(FILES ${CMAKE_BINARY_DIR}/tesvak.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md ${CMAKE_BINARY_DIR}/copyright ${CMAKE_BINARY_DIR}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
          PATTERN run.sh EXCLUDE PATTERN .keep EXCLUDE)
  install(DIRECTORY DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples/out)
endif()

set(CPACK_PACKAGE_NAME tesvak)
set(CPACK_PACKAGE_VENDOR "the tesvak authors")
set(CPACK_PACKAGE_CONTACT "${TESVAK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "copies the rules texts of Squish echo areas to their .sqr names")
set(CPACK_PACKAGE_DESCRIPTION
    "tesvak reads the echo areas of a Squish configuration and the files.bbs\nlist of a rules directory, and copies each area's rules file to the\narea's message-base name plus .sqr, for the tools of a bulletin-board\nsystem that post or send those rules.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  if(CMAKE_CROSSCOMPILING)
    # dpkg-shlibdeps cannot look into another architecture's libc, so the
    # dependency is set here: the glibc version the program's symbols ask
    # for, which scripts/package.sh reads off the built program.
    set(TESVAK_LIBC_DEPENDS "libc6 (>= 2.34)" CACHE STRING "The Debian package's libc dependency")
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "${TESVAK_LIBC_DEPENDS}")
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL aarch64)
      set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
    elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL arm)
      set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE armhf)
    endif()
  else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  endif()
endif()
include(CPack)
