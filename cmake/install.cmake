# Install rules for zel23: the shared library with its versioned SONAME, the
# public headers, a relocatable CMake package (zel23::zel23), a pkg-config file
# and the CPack settings for the Debian packages. Included from the top-level
# CMakeLists.txt when ZEL23_INSTALL is on, after the targets exist.
#
# Every file belongs to a component, and each component is one Debian
# package, laid out as Debian lays out its own libraries:
#   lib     libzel23-1      the shared library (named after its SONAME)
#   dev     libzel23-dev    headers, the libzel23.so link, CMake and pkg-config
#   tool    zel23           the command and its manual page
#   python  python3-zel23   the Python package (python/CMakeLists.txt)
#   flow    libzel23-flow1  the power-flow library, when target zel23_flow exists
# The zel23 command (target zel23_tool) is installed by tools/CMakeLists.txt
# itself, next to where the target is made; nothing here installs it twice.

include(CMakePackageConfigHelpers)

set(ZEL23_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/zel23")
set(ZEL23_PKGCONFIG_DIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

install(
  TARGETS zel23
  EXPORT zel23Targets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT lib NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT dev
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT lib)
# The power-flow library, a package of its own beside the reading one; its
# header comes with the others below.
if(TARGET zel23_flow)
  install(
    TARGETS zel23_flow
    EXPORT zel23Targets
    LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT flow NAMELINK_COMPONENT dev
    ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT dev
    RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT flow)
endif()
# No INCLUDES DESTINATION: the target's $<INSTALL_INTERFACE:> include directory
# already names it, and both would export the same directory twice.

# The headers include each other by bare name, so they stay side by side.
install(
  DIRECTORY "${PROJECT_SOURCE_DIR}/include/"
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}"
  COMPONENT dev
  FILES_MATCHING
  PATTERN "*.h")

install(
  EXPORT zel23Targets
  NAMESPACE zel23::
  FILE zel23Targets.cmake
  DESTINATION "${ZEL23_CMAKE_DIR}"
  COMPONENT dev)

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
        DESTINATION "${ZEL23_CMAKE_DIR}"
        COMPONENT dev)

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
                 \"${PROJECT_BINARY_DIR}/pkgconfig/zel23.pc\" @ONLY)"
        COMPONENT dev)
install(FILES "${PROJECT_BINARY_DIR}/pkgconfig/zel23.pc"
        DESTINATION "${ZEL23_PKGCONFIG_DIR}"
        COMPONENT dev)

# Debian packages, one per component (see the top of this file). CPack is only
# set up when zel23 is the top-level project, so that a parent project's own
# packaging is left alone.
if(PROJECT_IS_TOP_LEVEL)
  set(ZEL23_MAINTAINER "The zel23 developers <zel23@example.org>")
  set(CPACK_PACKAGE_NAME "zel23")
  set(CPACK_PACKAGE_VENDOR "The zel23 developers")
  set(CPACK_PACKAGE_CONTACT "${ZEL23_MAINTAINER}")
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
  set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
  set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
  set(CPACK_GENERATOR "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZEL23_MAINTAINER}")
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # Depends from the binaries (libc, libstdc++, ...), and between our own
  # packages from the component dependencies below, as exact versions: the
  # packages are built together and go together.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  # dpkg-shlibdeps meets libzel23.so.1 in the command and the Python module,
  # whose package is not on the system: it finds the file in the build tree
  # and, the file belonging to no package, leaves the dependency to the
  # component dependencies.
  get_target_property(zel23_libdir zel23 LIBRARY_OUTPUT_DIRECTORY)
  if(NOT zel23_libdir)
    set(zel23_libdir "${PROJECT_BINARY_DIR}")
  endif()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${zel23_libdir}")
  # The same for libzel23-flow.so.1 in the command and the Python module.
  if(TARGET zel23_flow)
    get_target_property(flow_libdir zel23_flow BINARY_DIR)
    list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${flow_libdir}")
  endif()

  set(major ${PROJECT_VERSION_MAJOR})
  # Each summary says what sets the package apart; the extended description
  # is the same text with a line for the package. Lines stay within 80
  # columns.
  set(about "zel23 reads and writes electric power-flow cases held in raw case\n"
            "files, and converts MATPOWER cases both ways.\n")
  string(CONCAT CPACK_DEBIAN_LIB_DESCRIPTION
         "power-flow raw case files - shared library\n" ${about}
         "This package holds the shared library.")
  string(CONCAT CPACK_DEBIAN_DEV_DESCRIPTION
         "power-flow raw case files - development files\n" ${about}
         "This package holds the C++17 headers, the CMake package and the\n"
         "pkg-config file.")
  string(CONCAT CPACK_DEBIAN_TOOL_DESCRIPTION
         "power-flow raw case files - command\n" ${about}
         "This package holds the zel23 command: info, fmt, export, import, diff,\n"
         "graph and check of a case file.")
  string(CONCAT CPACK_DEBIAN_PYTHON_DESCRIPTION
         "power-flow raw case files - Python 3 package\n" ${about}
         "This package holds the Python 3 package zel23, with pandas tables.")
  string(CONCAT CPACK_DEBIAN_FLOW_DESCRIPTION
         "power-flow raw case files - power flow\n" ${about}
         "This package holds the power-flow shared library.")

  set(CPACK_DEBIAN_LIB_PACKAGE_NAME "libzel23-${major}")
  set(CPACK_DEBIAN_LIB_PACKAGE_SECTION "libs")
  set(CPACK_DEBIAN_DEV_PACKAGE_NAME "libzel23-dev")
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION "libdevel")
  set(CPACK_DEBIAN_TOOL_PACKAGE_NAME "zel23")
  set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION "science")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME "python3-zel23")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION "python")
  set(CPACK_DEBIAN_FLOW_PACKAGE_NAME "libzel23-flow${major}")
  set(CPACK_DEBIAN_FLOW_PACKAGE_SECTION "libs")

  # A shared library's package gives its shlibs file and activates the
  # ldconfig trigger, as Debian asks of packages with shared libraries.
  # (CPack writes a shlibs file for every package with a library that has a
  # SONAME: the Python module has none.)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  foreach(component IN ITEMS LIB FLOW)
    set(CPACK_DEBIAN_${component}_PACKAGE_CONTROL_EXTRA
        "${CMAKE_CURRENT_LIST_DIR}/debian/triggers")
  endforeach()

  set(ZEL23_COMPONENTS lib dev tool)
  set(CPACK_COMPONENT_DEV_DEPENDS lib)
  set(CPACK_COMPONENT_TOOL_DEPENDS lib)
  set(CPACK_COMPONENT_PYTHON_DEPENDS lib)
  if(TARGET zel23_flow)
    # The command's solve and Python's Case.solve link the power flow.
    list(APPEND ZEL23_COMPONENTS flow)
    set(CPACK_COMPONENT_FLOW_DEPENDS lib)
    list(APPEND CPACK_COMPONENT_DEV_DEPENDS flow)
    list(APPEND CPACK_COMPONENT_TOOL_DEPENDS flow)
    list(APPEND CPACK_COMPONENT_PYTHON_DEPENDS flow)
  endif()
  if(TARGET zel23_python)
    list(APPEND ZEL23_COMPONENTS python)
    # The module is built for one interpreter's ABI. numpy and pandas are
    # what its tables are made of.
    execute_process(
      COMMAND "${Python_EXECUTABLE}" -c "import sys; print('%d.%d' % sys.version_info[:2])"
      OUTPUT_VARIABLE python_version OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
    if(NOT python_version MATCHES "^([0-9]+)\\.([0-9]+)$")
      message(FATAL_ERROR "no Python version from ${Python_EXECUTABLE}: '${python_version}'")
    endif()
    math(EXPR python_next "${CMAKE_MATCH_2} + 1")
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "python3 (>= ${python_version}~), python3 (<< ${CMAKE_MATCH_1}.${python_next}), python3-numpy, python3-pandas")
    # Debian's Python packages live in usr/lib/python3/dist-packages, which
    # every Python 3 searches; `cmake --install` keeps the interpreter's own
    # folder for a prefix of the user's. The module's path to the library
    # is as deep in both.
    list(APPEND CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/debian/python-layout.cmake")
  endif()
  set(CPACK_COMPONENTS_ALL ${ZEL23_COMPONENTS})
  include(CPack)

  # The Debian copyright file says what LICENSE says, in Debian's format
  # (where the MIT licence is called Expat); the changelog names the version.
  # Every package carries both in its own documentation folder.
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
  foreach(component IN LISTS ZEL23_COMPONENTS)
    string(TOUPPER ${component} upper)
    install(FILES "${ZEL23_DEBIAN_DIR}/copyright" "${ZEL23_DEBIAN_DIR}/changelog.gz"
            DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}"
            COMPONENT ${component})
  endforeach()
endif()
