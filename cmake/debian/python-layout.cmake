# Run by CPack between staging and packing (CPACK_PRE_BUILD_SCRIPTS): moves
# the Python package from the interpreter's own folder below the prefix,
# usr/lib/python3.X/dist-packages, to Debian's folder for packaged modules,
# usr/lib/python3/dist-packages.
file(GLOB sites "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/usr/lib/python3.*/dist-packages")
foreach(site IN LISTS sites)
  get_filename_component(lib "${site}/../.." ABSOLUTE)
  file(MAKE_DIRECTORY "${lib}/python3")
  file(RENAME "${site}" "${lib}/python3/dist-packages")
  get_filename_component(versioned "${site}/.." ABSOLUTE)
  file(REMOVE_RECURSE "${versioned}")
endforeach()
