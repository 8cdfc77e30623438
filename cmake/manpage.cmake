# The manual page zel23(1), made by help2man from `zel23 --help` and
# `zel23 --version`, with each subcommand's --help in a SUBCOMMANDS section,
# compressed as Debian expects and installed into share/man/man1. Included
# from tools/CMakeLists.txt once the zel23_tool target exists. Without
# help2man there is no manual page, and the package check says so.

find_program(ZEL23_HELP2MAN help2man)
find_program(ZEL23_GZIP gzip)
if(NOT ZEL23_HELP2MAN OR NOT ZEL23_GZIP)
  message(WARNING "help2man or gzip not found: zel23 gets no manual page")
  return()
endif()

set(ZEL23_MANPAGE "${CMAKE_CURRENT_BINARY_DIR}/zel23.1")
add_custom_command(
  OUTPUT "${ZEL23_MANPAGE}.gz"
  COMMAND "${CMAKE_COMMAND}" -DZEL23=$<TARGET_FILE:zel23_tool>
          -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/subcommands.h2m
          -P "${PROJECT_SOURCE_DIR}/cmake/manpage_subcommands.cmake"
  COMMAND "${ZEL23_HELP2MAN}" --no-info --section=1
          "--name=read, rewrite, summarise, export, draw, compare and check power-flow raw case files"
          --include=${CMAKE_CURRENT_BINARY_DIR}/subcommands.h2m
          --output=${ZEL23_MANPAGE} $<TARGET_FILE:zel23_tool>
  COMMAND "${ZEL23_GZIP}" -9nf "${ZEL23_MANPAGE}"
  DEPENDS zel23_tool "${PROJECT_SOURCE_DIR}/cmake/manpage_subcommands.cmake"
  COMMENT "Making the manual page zel23(1)"
  VERBATIM)
add_custom_target(zel23_manpage ALL DEPENDS "${ZEL23_MANPAGE}.gz")

if(ZEL23_INSTALL)
  install(FILES "${ZEL23_MANPAGE}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
          COMPONENT tool)
endif()
