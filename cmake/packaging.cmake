# The Debian package of the whole system: korvane with its data folder, the fcitx5 input method
# and the KESMIR tray program, in one package "korvane". scripts/package builds it:
#   cmake -S . -B build-pkg -DCMAKE_INSTALL_PREFIX=/usr ... && cmake --build build-pkg && cd build-pkg && cpack -G DEB

# Who answers for the package, in its control file and its changelog.
set(KORVANE_MAINTAINER "Korvane developers <korvane@example.org>" CACHE STRING
    "The Maintainer field of the Debian package: name <address>")

# The package's folders get the usual 0755, whatever the umask of whoever builds it.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# ---- Desktop files -------------------------------------------------------------------------

set(_korvane_packaging ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${_korvane_packaging}/korvane.desktop DESTINATION share/applications COMPONENT korvane)
install(FILES ${_korvane_packaging}/korvane.svg DESTINATION share/icons/hicolor/scalable/apps COMPONENT korvane)
# The tray program's entry; its icon is the input method's (kesmir.svg, keyboard/fcitx5).
install(FILES ${_korvane_packaging}/kesmir.desktop DESTINATION share/applications COMPONENT kesmir-tray)

# ---- Documentation Debian asks of every package --------------------------------------------

# The changelog and the manual page are installed compressed with gzip -9n: no name or time
# stamp inside, so the same text always gives the same bytes.
find_program(KORVANE_GZIP gzip REQUIRED)
set(_korvane_doc ${CMAKE_BINARY_DIR}/packaging)
set(_korvane_compressed)
foreach(_text changelog korvane.1 KESMIR.1)
  configure_file(${_korvane_packaging}/${_text}.in ${_korvane_doc}/${_text} @ONLY)
  add_custom_command(
    OUTPUT ${_korvane_doc}/${_text}.gz
    COMMAND ${KORVANE_GZIP} -9nkf ${_korvane_doc}/${_text}
    DEPENDS ${_korvane_doc}/${_text}
    VERBATIM)
  list(APPEND _korvane_compressed ${_korvane_doc}/${_text}.gz)
endforeach()
add_custom_target(korvane_packaging_docs ALL DEPENDS ${_korvane_compressed})
install(FILES ${_korvane_packaging}/copyright ${_korvane_doc}/changelog.gz DESTINATION share/doc/korvane COMPONENT korvane)
install(FILES ${_korvane_doc}/korvane.1.gz ${_korvane_doc}/KESMIR.1.gz DESTINATION share/man/man1 COMPONENT korvane)

# ---- The package -----------------------------------------------------------------------------

set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KORVANE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "records office of the organisation and its Vietnamese keyboard")
set(CPACK_PACKAGE_DESCRIPTION
    "Korvane keeps the registers of the organisation's records office: incoming
and outgoing documents, work plans and the weekly calendar, with their
searches, lists and printed reports. Its data files are shared SQLCipher
databases; an installed program keeps the user's files in
~/.local/share/korvane.

The package also holds the Vietnamese keyboard: the input method
\"Vietnamese (Kesmir)\" for fcitx5 (Telex and VNI) and its tray program
KESMIR.")

set(CPACK_GENERATOR DEB)
# Values reach cpack as written, quotes in the description included.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_DEBIAN_PACKAGE_NAME korvane)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KORVANE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# One package with every component in it.
set(CPACK_DEB_COMPONENT_INSTALL OFF)
# The libraries we link (Qt, SQLCipher, OpenSSL, fcitx5's core) come from dpkg-shlibdeps. Qt's
# xcb platform plugin, loaded at run time and so not seen by it, is in libqt6gui6 on Debian 12,
# which is among them. fcitx5 itself only matters for the keyboard, and the records office works
# without it, so it is recommended rather than required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fcitx5")

# Debian ships programs without their debug information. The install strips only what
# install(TARGETS) puts in place, so every ELF file of the staging folder is stripped instead,
# whichever rule installed it.
set(CPACK_PRE_BUILD_SCRIPTS ${_korvane_packaging}/strip.cmake)
find_program(KORVANE_STRIP NAMES ${CMAKE_STRIP} strip)
set(CPACK_KORVANE_STRIP ${KORVANE_STRIP})

include(CPack)
