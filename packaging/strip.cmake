# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) once the files are installed into its staging folder and
# before the package is made: strips the debug information and symbol tables from every ELF file,
# as Debian's packages ship them. Programs keep the symbols their dynamic linking needs anyway;
# shared objects (the fcitx5 addon) lose only what --strip-unneeded allows.
if(NOT CPACK_KORVANE_STRIP)
  message(FATAL_ERROR "no strip program was found when the build was configured")
endif()
file(GLOB_RECURSE _files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(_file IN LISTS _files)
  if(IS_SYMLINK "${_file}")
    continue()
  endif()
  file(READ "${_file}" _magic LIMIT 4 HEX)
  if(NOT _magic STREQUAL "7f454c46")
    continue()
  endif()
  set(_how --strip-all)
  if(_file MATCHES "\\.so(\\.[0-9]+)*$")
    set(_how --strip-unneeded)
  endif()
  execute_process(
    COMMAND "${CPACK_KORVANE_STRIP}" ${_how} --remove-section=.comment --remove-section=.note "${_file}"
    RESULT_VARIABLE _result)
  if(NOT _result EQUAL 0)
    message(FATAL_ERROR "strip failed on ${_file}")
  endif()
  message(STATUS "Stripped ${_file}")
endforeach()
