# Install rules for zel23: the shared library with its versioned SONAME, the
# public headers, a relocatable CMake package (zel23::zel23), a pkg-config file
# and the CPack settings for a Debian package. Included from the top-level
# CMakeLists.txt when ZEL23_INSTALL is on, after the targets exist.
#
# The zel23 command (target zel23_tool) is installed by tools/CMakeLists.txt
# itself, next to where the target is made; nothing here installs it twice.

include(CMakePackageConfigHelpers)

set(ZEL23_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/zel23")
set(ZEL23_PKGCONFIG_DIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

install(
  TARGETS zel23
  EXPORT zel23Targets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# No INCLUDES DESTINATION: the target's $<INSTALL_INTERFACE:> include directory
# already names it, and both would export the same directory twice.

# The headers include each other by bare name, so they stay side by side.
install(
  DIRECTORY "${PROJECT_SOURCE_DIR}/include/"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}"
  FILES_MATCHING
  PATTERN "*.h")

install(
  EXPORT zel23Targets
  NAMESPACE zel23::
  FILE zel23Targets.cmake
  DESTINATION "${ZEL23_CMAKE_DIR}")

configure_package_config_file(
  "${CMAKE_CURRENT_LIST_DIR}/zel23Config.cmake.in"
  "${PROJECT_BINARY_DIR}/zel23Config.cmake"
  INSTALL_DESTINATION "${ZEL23_CMAKE_DIR}")

# One major version keeps one SONAME, so any 1.x satisfies a request for 1.y
# with y <= x.
write_basic_package_version_file(
  "${PROJECT_BINARY_DIR}/zel23ConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}"
  COMPATIBILITY SameMajorVersion)

install(FILES "${PROJECT_BINARY_DIR}/zel23Config.cmake"
              "${PROJECT_BINARY_DIR}/zel23ConfigVersion.cmake"
        DESTINATION "${ZEL23_CMAKE_DIR}")

# The pkg-config file names absolute directories, so its prefix is only known
# at install time: `cmake --install --prefix` and CPack (which installs into
# /usr under a staging DESTDIR) each choose their own. The directories below
# the prefix are filled in now; @ZEL23_PC_PREFIX@ survives this first pass
# and is replaced by the install step, just before the file is copied.
set(ZEL23_PC_PREFIX "@ZEL23_PC_PREFIX@")
foreach(kind IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(ZEL23_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(ZEL23_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
configure_file("${CMAKE_CURRENT_LIST_DIR}/zel23.pc.in"
               "${PROJECT_BINARY_DIR}/pkgconfig/zel23.pc.in" @ONLY)
install(CODE "
  set(ZEL23_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/pkgconfig/zel23.pc.in\"
                 \"${PROJECT_BINARY_DIR}/pkgconfig/zel23.pc\" @ONLY)")
install(FILES "${PROJECT_BINARY_DIR}/pkgconfig/zel23.pc"
        DESTINATION "${ZEL23_PKGCONFIG_DIR}")

# Debian package: one package with the library, the headers, the command and
# both package files. CPack is only set up when zel23 is the top-level project,
# so that a parent project's own packaging is left alone.
if(PROJECT_IS_TOP_LEVEL)
  set(ZEL23_MAINTAINER "The zel23 developers <zel23@example.org>")
  set(CPACK_PACKAGE_NAME "zel23")
  set(CPACK_PACKAGE_VENDOR "The zel23 developers")
  set(CPACK_PACKAGE_CONTACT "${ZEL23_MAINTAINER}")
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
  set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
  set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
  # Lines of the extended description stay within 80 columns.
  string(CONCAT CPACK_PACKAGE_DESCRIPTION
         "A C++17 library that reads and writes electric power-flow cases held\n"
         "in raw case files, with its headers, its CMake and pkg-config files\n"
         "and the zel23 command.")
  set(CPACK_GENERATOR "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZEL23_MAINTAINER}")
  set(CPACK_STRIP_FILES ON)
  # The library folder is one ldconfig caches: the package activates its
  # trigger, as Debian asks of packages with shared libraries.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/debian/triggers")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION "libs")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # The command links the library of the same package, which is not on the
  # system yet. dpkg-shlibdeps runs in the staging folder and finds it by
  # itself in the usual library folders; naming the folder also covers a
  # CMAKE_INSTALL_LIBDIR outside them.
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ".${CMAKE_INSTALL_LIBDIR}")
  else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
        ".${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}")
  endif()
  include(CPack)

  # The Debian copyright file says what LICENSE says, in Debian's format
  # (where the MIT licence is called Expat); the changelog names the version.
  file(READ "${PROJECT_SOURCE_DIR}/LICENSE" license)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${license}")
  set(ZEL23_COPYRIGHT "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n\n" "" body "${license}")
  string(STRIP "${body}" body)
  string(REPLACE "\n\n" "\n.\n" body "${body}")
  string(REPLACE "\n" "\n " ZEL23_LICENSE_BODY " ${body}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               "${PROJECT_SOURCE_DIR}/LICENSE")
  set(ZEL23_DEBIAN_DIR "${PROJECT_BINARY_DIR}/debian")
  configure_file("${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in"
                 "${ZEL23_DEBIAN_DIR}/copyright" @ONLY)
  configure_file("${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in"
                 "${ZEL23_DEBIAN_DIR}/changelog" @ONLY)
  find_program(ZEL23_GZIP gzip REQUIRED)
  execute_process(COMMAND "${ZEL23_GZIP}" -9nf "${ZEL23_DEBIAN_DIR}/changelog"
                  RESULT_VARIABLE gzip_status)
  if(NOT gzip_status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${ZEL23_DEBIAN_DIR}/changelog")
  endif()
  install(FILES "${ZEL23_DEBIAN_DIR}/copyright" "${ZEL23_DEBIAN_DIR}/changelog.gz"
          DESTINATION "${CMAKE_INSTALL_DOCDIR}")
endif()
